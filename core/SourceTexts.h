// The English source texts that the windows look up in the translation
// dictionary. They are the dictionary's keys, so a text changed here needs
// the same change in resources/translations (vantrel.pot and every .po).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::texts {

// Fixed captions of the main window, its tray menu and the error dialog.
inline constexpr std::string_view kAppTitle = "Vantrel";  // form captions, tray menu
inline constexpr std::string_view kCheckForUpdate = "Check for update";
inline constexpr std::string_view kHide = "Hide";
inline constexpr std::string_view kCopyText = "Copy text";
inline constexpr std::string_view kQuit = "Quit";
inline constexpr std::string_view kShow = "Show";
inline constexpr std::string_view kClose = "Close";

// The command button's captions.
inline constexpr std::string_view kStartDownload = "Start download";
inline constexpr std::string_view kPause = "Pause";
inline constexpr std::string_view kResume = "Resume";
inline constexpr std::string_view kStartInstallation = "Start installation";

// Parts of the window caption, and the progress bar's static text.
inline constexpr std::string_view kPaused = "Paused";
inline constexpr std::string_view kDownloading = "Downloading";

// The update modes, in the order of their values.
inline constexpr std::string_view kModeNever = "Never";
inline constexpr std::string_view kModeDaily = "Daily";
inline constexpr std::string_view kModeWeekly = "Weekly";
inline constexpr std::string_view kModeMonthly = "Monthly";

// Tray hint templates.
inline constexpr std::string_view kHintOffered =
    "[APPTITLE][\\NL]New version of [PROD_TITLE] is available to download!";
inline constexpr std::string_view kHintDownloading =
    "[APPTITLE][\\NL][PROD_TITLE][\\NL]Downloading version [PROD_VERSION][\\NL]Downloaded "
    "[DOWNLOAD_PROGRESS]";
inline constexpr std::string_view kHintPaused =
    "[APPTITLE][\\NL][PROD_TITLE][\\NL]Downloading version [PROD_VERSION][\\NL]Paused "
    "([DOWNLOAD_PROGRESS])";
inline constexpr std::string_view kHintDownloaded =
    "[APPTITLE][\\NL][PROD_TITLE][\\NL]Ready to install version [PROD_VERSION]";
inline constexpr std::string_view kHintUpToDate = "[APPTITLE][\\NL][PROD_TITLE] is up to date.";

// Label templates of the main window.
inline constexpr std::string_view kCurrentVersion = "Current version: [INSTALLED_VERSION]";
inline constexpr std::string_view kNewVersion = "New version: [PROD_VERSION]";
inline constexpr std::string_view kUpToDate = "Your product is up to date!";
inline constexpr std::string_view kDownloadedSuccessfully = "New version downloaded successfully!";
inline constexpr std::string_view kCommandOffered =
    "New version is available to download! Click here to begin";
inline constexpr std::string_view kCommandDownloaded =
    "Ready to install version [PROD_VERSION]. Click here to begin";

// The information panel: group headings (templates) and section captions.
// "Promotion" is deliberately absent: that caption is never translated.
inline constexpr std::string_view kWhatsNew = "What's new in version [PROD_VERSION]";
inline constexpr std::string_view kAboutProduct = "About [PROD_TITLE]";
inline constexpr std::string_view kSectionDescription = "Description";
inline constexpr std::string_view kSectionBugFix = "Bug fix";
inline constexpr std::string_view kSectionAddons = "Addons";
inline constexpr std::string_view kSectionFeatures = "Features";
// A format string: "%s" becomes the web site's address after translation.
inline constexpr std::string_view kVisitWebSite = "Visit official web site\r\n%s";

// The two tray popups: heading, body and go link of each.
inline constexpr std::string_view kPopupAvailableCaption = "New version is available!";
inline constexpr std::string_view kPopupAvailableText =
    "New version of [PROD_TITLE] is available to download!";
inline constexpr std::string_view kPopupAvailableGo = "Click here to download";
inline constexpr std::string_view kPopupDownloadedCaption = "Ready to install new version!";
inline constexpr std::string_view kPopupDownloadedText =
    "[PROD_TITLE] version [PROD_VERSION] has been downloaded.";
inline constexpr std::string_view kPopupDownloadedGo = "Click here to install";

// Message boxes of the package transfer. The one "%s" of each is replaced
// after translation (an address, a file name or a path).
inline constexpr std::string_view kPackageAddressNotWeb =
    "The new version cannot be downloaded from \"%s\": only http:// and https:// addresses "
    "are accepted.";
inline constexpr std::string_view kPackageNameNotPlain =
    "The new version cannot be downloaded: its file name \"%s\" is not a plain file name.";
inline constexpr std::string_view kPackageMoveFailed =
    "The downloaded package could not be made ready for installation: %s";
inline constexpr std::string_view kPackageMissing =
    "The downloaded package %s is missing. Please download the new version again.";
inline constexpr std::string_view kPackageOpenFailed =
    "The downloaded package %s could not be opened.";
// Signed packages: %s is one of the reasons below, translated as well.
inline constexpr std::string_view kPackageNotVerified =
    "The downloaded package could not be verified and was not installed. It has been deleted. "
    "%s";
inline constexpr std::string_view kSignatureUnavailable =
    "The downloaded package cannot be installed yet because its signature could not be "
    "checked. Click Resume to try again. %s";
inline constexpr std::string_view kSignatureUnavailableAtInstall =
    "The downloaded package cannot be installed yet because its signature could not be "
    "checked. Click Start installation to try again. %s";
// Why a package's signature did not verify, or could not be had.
inline constexpr std::string_view kReasonKeyUnusable =
    "This program's package-signing key cannot be used.";
inline constexpr std::string_view kReasonSignatureDamaged = "Its signature file is damaged.";
inline constexpr std::string_view kReasonForeignKey =
    "It was signed with another key than the vendor's.";
inline constexpr std::string_view kReasonPackageAltered =
    "It does not match its signature: it was altered on the way, or the signature belongs to "
    "another file.";
inline constexpr std::string_view kReasonCommentAltered =
    "The description signed with it was altered.";
inline constexpr std::string_view kReasonPackageUnreadable = "It could not be read from the disk.";
inline constexpr std::string_view kReasonNotThisRelease =
    "Its signature is for another release than the one offered.";
// %s is the signature's address.
inline constexpr std::string_view kReasonSignatureNotFetched =
    "Its signature could not be fetched from %s.";

// A transfer that cannot write its file pauses with this: the first %s is
// the folder, the second one of the reasons below.
inline constexpr std::string_view kPackageNotSaved =
    "The download was paused because the package could not be saved in %s. %s";
inline constexpr std::string_view kReasonDiskFull = "The disk is full.";
inline constexpr std::string_view kReasonFolderReadOnly = "The folder cannot be written to.";
inline constexpr std::string_view kReasonWriteFailed = "The file could not be written.";

// The error dialog's heading for an error text of a single line.
inline constexpr std::string_view kErrorTitle = "Error";
// The error dialog's link: "View downloads at " and the vendor's site name
// (the built-in web site without its scheme).
std::string ViewDownloadsCaption();

// One looked-up text and where the program shows it (for translators).
struct TSourceText {
    std::string Text;
    std::string Context;
};

// Every text of this header, each once, in the order above; the texts built
// from the configured addresses are included with their configured values.
const std::vector<TSourceText>& SourceTexts();

}  // namespace vantrel::texts
