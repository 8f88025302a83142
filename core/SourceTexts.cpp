#include "core/SourceTexts.h"

#include "core/BuildConfig.h"

namespace vantrel::texts {

namespace {

std::string SiteName(const std::string& url) {
    const std::size_t scheme = url.find("://");
    return scheme == std::string::npos ? url : url.substr(scheme + 3);
}

std::vector<TSourceText> MakeSourceTexts() {
    auto text = [](std::string_view value, const char* context) {
        return TSourceText{std::string(value), context};
    };
    return {
        text(kAppTitle, "main window and error dialog caption; tray menu, after \"Show\""),
        text(kCheckForUpdate, "main window, label before the update mode list"),
        text(kHide, "main window button that hides the window"),
        text(kCopyText, "information panel context menu"),
        text(kQuit, "tray menu"),
        text(kShow, "tray menu, before \"Vantrel\""),
        text(kClose, "main window button when up to date; error dialog button"),
        text(kStartDownload, "command button"),
        text(kPause, "command button"),
        text(kResume, "command button"),
        text(kStartInstallation, "command button"),
        text(kPaused, "window caption and progress bar while paused"),
        text(kDownloading, "window caption, before the percentage"),
        text(kModeNever, "update mode"),
        text(kModeDaily, "update mode"),
        text(kModeWeekly, "update mode"),
        text(kModeMonthly, "update mode"),
        text(kHintOffered, "tray hint, new version offered"),
        text(kHintDownloading, "tray hint, downloading"),
        text(kHintPaused, "tray hint, paused"),
        text(kHintDownloaded, "tray hint, downloaded"),
        text(kHintUpToDate, "tray hint, up to date"),
        text(kCurrentVersion, "main window, installed version"),
        text(kNewVersion, "main window, new version offered"),
        text(kUpToDate, "main window, up to date"),
        text(kDownloadedSuccessfully, "main window, downloaded"),
        text(kCommandOffered, "main window link, new version offered"),
        text(kCommandDownloaded, "main window link, downloaded"),
        text(kWhatsNew, "information panel, heading of the new version"),
        text(kAboutProduct, "information panel, heading of the product"),
        text(kSectionDescription, "information panel, section caption"),
        text(kSectionBugFix, "information panel, section caption"),
        text(kSectionAddons, "information panel, section caption"),
        text(kSectionFeatures, "information panel, section caption"),
        text(kVisitWebSite, "hint of the globe image; %s is the web site's address"),
        text(kPopupAvailableCaption, "tray popup heading, new version available"),
        text(kPopupAvailableText, "tray popup body, new version available"),
        text(kPopupAvailableGo, "tray popup link, new version available"),
        text(kPopupDownloadedCaption, "tray popup heading, new version downloaded"),
        text(kPopupDownloadedText, "tray popup body, new version downloaded"),
        text(kPopupDownloadedGo, "tray popup link, new version downloaded"),
        text(kPackageAddressNotWeb, "message box; %s is the download address the server sent"),
        text(kPackageNameNotPlain, "message box; %s is the package file name the server sent"),
        text(kPackageMoveFailed,
             "message box when installing; %s is the package's path and the system's reason"),
        text(kPackageMissing, "message box when installing; %s is the package's path"),
        text(kPackageOpenFailed, "message box when installing; %s is the package's path"),
        text(kPackageNotVerified,
             "message box when a package's signature does not verify; %s is the reason"),
        text(kSignatureUnavailable,
             "message box when a package's signature cannot be had; %s is the reason"),
        text(kSignatureUnavailableAtInstall,
             "message box when a package's signature cannot be had as it is to be installed; "
             "%s is the reason"),
        text(kReasonKeyUnusable, "reason in a signature message box"),
        text(kReasonSignatureDamaged, "reason in a signature message box"),
        text(kReasonForeignKey, "reason in a signature message box"),
        text(kReasonPackageAltered, "reason in a signature message box"),
        text(kReasonCommentAltered, "reason in a signature message box"),
        text(kReasonPackageUnreadable, "reason in a signature message box"),
        text(kReasonNotThisRelease, "reason in a signature message box"),
        text(kReasonSignatureNotFetched,
             "reason in a signature message box; %s is the signature's address"),
        text(kPackageNotSaved,
             "message box when a download cannot write its file; the first %s is the folder, "
             "the second the reason"),
        text(kReasonDiskFull, "reason in the message box of a download that cannot write"),
        text(kReasonFolderReadOnly, "reason in the message box of a download that cannot write"),
        text(kReasonWriteFailed, "reason in the message box of a download that cannot write"),
        text(kErrorTitle, "error dialog heading of a one-line error"),
        {ViewDownloadsCaption(), "error dialog link to the vendor's download page"},
    };
}

}  // namespace

std::string ViewDownloadsCaption() {
    return "View downloads at " + SiteName(VendorWebSite());
}

const std::vector<TSourceText>& SourceTexts() {
    static const std::vector<TSourceText> kTexts = MakeSourceTexts();
    return kTexts;
}

}  // namespace vantrel::texts
