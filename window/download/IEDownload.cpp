#include "window/download/IEDownload.h"

#include <algorithm>
#include <iterator>

#include "window/download/BSCB.h"
#include "window/download/UrlBinding.h"

namespace vantrel {

std::uint32_t BindFlagsOf(const TBindInfoOptions& options) {
    std::uint32_t flags = 0;
    for (TBindInfoOption option : options) {
        flags |= 1u << static_cast<std::uint32_t>(option);
    }
    return flags;
}

std::uint32_t CodePageNumber(TCodePageOption option) {
    switch (option) {
        case TCodePageOption::Ansi:
            return 0;
        case TCodePageOption::OEM:
            return 1;
        case TCodePageOption::Mac:
            return 2;
        case TCodePageOption::ThreadsAnsi:
            return 3;
        case TCodePageOption::Symbol:
            return 42;
        case TCodePageOption::UTF7:
            return 65000;
        case TCodePageOption::UTF8:
            return 65001;
    }
    return 0;
}

std::uint32_t VerbNumber(TBindVerbOption option) {
    return static_cast<std::uint32_t>(option);
}

std::string BindStatusText(std::uint32_t code) {
    static const char* const kTexts[] = {
        "Finding resource...",
        "Connecting...",
        "Server redirecting client...",
        "Beginning to download data...",
        "Downloading data...",
        "Ending data download...",
        "Beginning to download components...",
        "Installing components...",
        "Ending component download...",
        "Using cached copy...",
        "Sending request...",
        "CLSID available...",
        "MIME type available...",
        "Cache file name available...",
    };
    if (code >= 1 && code <= std::size(kTexts)) {
        return kTexts[code - 1];
    }
    return "Bindstatus Unknown";
}

// ---- TIEDownload ---------------------------------------------------------

TIEDownload::TIEDownload(platform::IUrlBinder& binder, ITimers& timers, TTransferLocale locale)
    : FBinder(binder), FTimers(timers), FLocale(std::move(locale)) {
    SetOptions({TBindInfoOption::Asynchronous, TBindInfoOption::AsyncStorage,
                TBindInfoOption::GetNewestVersion, TBindInfoOption::NoWriteCache,
                TBindInfoOption::PullData});
    SetMethod(TBindVerbOption::Get);
    SetCodepage(TCodePageOption::Ansi);
    FAdditionalHeader = {"Content-Type: application/x-www-form-urlencoded"};
}

TIEDownload::~TIEDownload() {
    // Freeing a request detaches it from its binding first.
    auto requests = std::move(FRequests);
    requests.clear();
}

void TIEDownload::SetCodepage(TCodePageOption value) {
    FCodepage = value;
    FCodePageNumber = CodePageNumber(value);
}

void TIEDownload::SetMethod(TBindVerbOption value) {
    FMethod = value;
    FVerbNumber = VerbNumber(value);
}

void TIEDownload::SetOptions(const TBindInfoOptions& value) {
    FOptions = value;
    FBindFlags = BindFlagsOf(value);
}

TInfo TIEDownload::MakeInfo(const std::string& url, const std::string& fileName) const {
    TInfo info;
    info.Owner = const_cast<TIEDownload*>(this);
    info.Url = url;
    info.TimeOut = TimeOut;
    info.FileName = fileName;
    info.PostData = PostData;
    info.PutFileName = PutFileName;
    info.HeaderLines = FAdditionalHeader;
    info.Password = Password;
    info.UserName = Username;
    info.CustomVerb = CustomVerb;
    info.ExtraInfo = ExtraInfo;
    info.Descriptor = Security.Descriptor;
    info.UserAgent = UserAgent;
    info.RangeBegin = Range.RangeBegin;
    info.RangeEnd = Range.RangeEnd;
    info.InheritHandle = Security.InheritHandle;
    info.Verb = FVerbNumber;
    info.BindFlags = FBindFlags;
    info.BindInfoFlags = 0;
    info.CodePage = FCodePageNumber;
    info.HTMLDocument = HTMLDocument;
    info.DomElement = DomElement;
    return info;
}

void TIEDownload::Download(const std::string& Url, const std::string& FileName) {
    // One flag for all requests: this also un-cancels a request that is still
    // ending after a pause, which is why the window starts no transfer before
    // the previous one has reported its end.
    FCancelled = false;
    auto request = std::make_unique<TBSCB>(MakeInfo(Url, FileName));
    if (!(FBindFlags & platform::BINDF_ASYNCHRONOUS)) {
        request->Start();
        return;
    }
    TBSCB* started = request.get();
    FRequests.push_back(std::move(request));
    if (!started->Start()) {
        // No binding, so no stop will ever free it.
        RemoveRequest(started);
    }
}

void TIEDownload::RemoveRequest(TBSCB* request) {
    auto found = std::find_if(FRequests.begin(), FRequests.end(),
                              [request](const auto& owned) { return owned.get() == request; });
    if (found != FRequests.end()) {
        std::unique_ptr<TBSCB> freed = std::move(*found);
        FRequests.erase(found);
    }
}

}  // namespace vantrel
