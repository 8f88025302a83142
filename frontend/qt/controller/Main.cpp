#include "frontend/qt/controller/Main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <filesystem>

#include "core/SourceTexts.h"
#include "core/UpdateModes.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"
#include "frontend/qt/controller/InformationPanel.h"
#include "frontend/qt/controller/MainAccessibility.h"
#include "frontend/qt/controller/MainParts.h"
#include "frontend/qt/controller/MainWindowLook.h"
#include "frontend/qt/controller/ScrollBox.h"
#include "frontend/qt/controller/SignatureFetch.h"
#include "frontend/qt/controller/TrayAvailability.h"
#include "frontend/qt/controls/ControlColors.h"
#include "frontend/qt/controls/LabelProgressBar.h"
#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/dialogs/ClickLabel.h"
#include "frontend/qt/dialogs/Pictures.h"
#include "frontend/qt/dialogs/PopupWin.h"
#include "frontend/qt/download/IEDownload.h"
#include "frontend/qt/i18n/FormTranslation.h"
#include "platform/UserDirs.h"
#include "ui_Main.h"
#include "window/controller/PackageTransfer.h"
#include "window/download/BSCB.h"
#include "window/download/CacheFiles.h"
#include "window/download/Streams.h"

// The pictures live in a static library: their initialiser is only kept when
// called by name, and Q_INIT_RESOURCE must be used outside any namespace.
static void InitMainWindowPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace vantrel {

namespace {

constexpr TColor kProductTitleColor = 0x09934A;
constexpr TColor kCommandLabelColor = 0x2E4DFE;
constexpr int kBorderWidth = 8;

using main_parts::Std;
using main_parts::Text;

QFont PixelFont(const QString& family, int pixels, bool bold) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void SetTextColor(QWidget& widget, TColor color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, ResolveColor(color));
    palette.setColor(QPalette::Text, ResolveColor(color));
    widget.setPalette(palette);
}

}  // namespace

QIcon VantrelApplicationIcon() {
    static const bool initialised = (InitMainWindowPictures(), true);
    (void)initialised;
    QIcon icon;
    for (const char* size : {"16", "32", "48", "256"})
        icon.addFile(QStringLiteral(":/vantrel/pictures/vantrel%1.png").arg(QLatin1String(size)));
    return icon;
}

TfVantrelMain::TfVantrelMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      FUi(std::make_unique<Ui::TfVantrelMain>()) {
    FUi->setupUi(this);
    Label2 = FUi->Label2;
    SpecialFrame1 = FUi->SpecialFrame1;
    lbProductTitle = FUi->lbProductTitle;
    lbCurrentProductVersion = FUi->lbCurrentProductVersion;
    imgWebSite = FUi->imgWebSite;
    lbCommandLabel = FUi->lbCommandLabel;
    lbNewVersion = FUi->lbNewVersion;
    SpecialFrame3 = FUi->SpecialFrame3;
    imgProductLogo = FUi->imgProductLogo;
    ProgressBar = FUi->ProgressBar;
    SpecialFrame2 = FUi->SpecialFrame2;
    ScrollBox = FUi->ScrollBox;
    btnCommand = FUi->btnCommand;
    cmbUpdateMode = FUi->cmbUpdateMode;
    btnHide = FUi->btnHide;
    FController = std::make_unique<TMainController>(static_cast<TMainView&>(*this),
                                                    static_cast<TMainServices&>(*this));

    ApplyLooks();
    MakeNonVisualParts();
    MakeTrayIcon();
    MakeTranslator();
    ConnectControls();
    FormCreate();
}

TfVantrelMain::~TfVantrelMain() {
    // The transfer's events must not reach a window that is half gone.
    IEDownload->OnProgress = nullptr;
    IEDownload->OnComplete = nullptr;
}

// What the stored design cannot say: the program's own colours, fonts given
// in pixels, the custom controls' looks, the place on the screen.
void TfVantrelMain::ApplyLooks() {
    // The client is 460 by 385; the border around it shows the button face.
    setFixedSize(460 + 2 * kBorderWidth, 385 + 2 * kBorderWidth);
    setFont(PixelFont(QStringLiteral("Microsoft Sans Serif"), 11, false));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ResolveColor(clBtnFace));
    setPalette(palette);

    LookOfWhiteCard(*SpecialFrame1);
    LookOfWhiteCard(*SpecialFrame2);
    SpecialFrame2->setGeometry(0, 135, 460, 181);
    LookOfLogoFrame(*SpecialFrame3);
    LookOfMainWindowBar(*ProgressBar);
    ProgressBar->move(15, 97);
    ProgressBar->SetMin(0);
    ProgressBar->SetMax(100);
    ProgressBar->SetPosition(0);
    ProgressBar->SetPercentType(TLabelProgressBar::showPercent);

    lbProductTitle->setFont(PixelFont(QStringLiteral("Tahoma"), 13, true));
    SetTextColor(*lbProductTitle, kProductTitleColor);
    QFont bold = font();
    bold.setBold(true);
    lbCurrentProductVersion->setFont(bold);
    SetTextColor(*lbCurrentProductVersion, clGray);
    lbNewVersion->setFont(bold);
    SetTextColor(*lbNewVersion, clBlack);
    QFont link = bold;
    link.setUnderline(true);
    lbCommandLabel->setFont(link);
    SetTextColor(*lbCommandLabel, kCommandLabelColor);
    QPalette opaque = lbCommandLabel->palette();
    opaque.setColor(QPalette::Window, ResolveColor(clWhite));
    lbCommandLabel->setPalette(opaque);
    cmbUpdateMode->setFont(PixelFont(QStringLiteral("Tahoma"), 11, false));
    SetTextColor(*cmbUpdateMode, clBlack);
    SetItemHeight(*cmbUpdateMode, 13);
    btnHide->setDefault(true);
    btnHide->setAutoDefault(true);
    btnCommand->setAutoDefault(true);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfVantrelMain::MakeNonVisualParts() {
    auto* download = new TQtIEDownload(this);
    download->setObjectName(QStringLiteral("IEDownload"));
    IEDownload = download;
    ConfigurePackageDownload(*IEDownload);
    IEDownload->OnProgress = [this](TBSCB*, std::uint32_t progress, std::uint32_t max,
                                    std::uint32_t status, const std::string&, const std::string&,
                                    const std::string&, const std::string&) {
        FController->TransferProgress(progress, max, status);
    };
    IEDownload->OnComplete = [this](TBSCB* sender, TStream* stream, platform::HRESULT result) {
        TTransferEnd end;
        end.Result = result;
        if (sender != nullptr) {
            end.ResponseCode = sender->ResponseCode;
            if (result == platform::STG_E_CANTSAVE)
                end.WriteFailure = cache::ClassifyWriteFailure(sender->OutputError);
        }
        if (stream != nullptr)
            end.StreamSize = stream->Size();
        FController->TransferComplete(end);
    };
    SignatureFetch = new TSignatureFetch(this);
    SignatureFetch->setObjectName(QStringLiteral("SignatureFetch"));

    pmTray = new QMenu(this);
    pmTray->setObjectName(QStringLiteral("pmTray"));
    miShoWindow = pmTray->addAction(QString());
    miShoWindow->setObjectName(QStringLiteral("miShoWindow"));
    // The default item: QMenu draws it bold.
    pmTray->setDefaultAction(miShoWindow);
    N1 = pmTray->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    miTrayQuit = pmTray->addAction(Text(texts::kQuit));
    miTrayQuit->setObjectName(QStringLiteral("miTrayQuit"));

    pmScrollBox = new QMenu(this);
    pmScrollBox->setObjectName(QStringLiteral("pmScrollBox"));
    miCopyText = pmScrollBox->addAction(Text(texts::kCopyText));
    miCopyText->setObjectName(QStringLiteral("miCopyText"));

    InformationPanel = new TInformationPanel(ScrollBox, pmScrollBox, FNextTop, this);
    InformationPanel->setObjectName(QStringLiteral("InformationPanel"));
}

void TfVantrelMain::MakeTrayIcon() {
    TrayIcon = new QSystemTrayIcon(this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    QIcon icon = QApplication::windowIcon();
    TrayIcon->setIcon(icon.isNull() ? VantrelApplicationIcon() : icon);
    TrayIcon->setContextMenu(pmTray);
    TrayIcon->setToolTip(PlainToolTip(Text(texts::kAppTitle)));
    TrayIcon->show();
}

void TfVantrelMain::MakeTranslator() {
    const TFormTranslation parts =
        MakeFormTranslation(this, Text(texts::kAppTitle), "fVantrelMain",
                            {
                                {"Label2", Std(texts::kCheckForUpdate), "", true, true},
                                {"btnHide", Std(texts::kHide), "", true, true},
                                {"miCopyText", Std(texts::kCopyText), "", true, true},
                                {"miTrayQuit", Std(texts::kQuit), "", true, true},
                            });
    Repository = parts.Repository;
    Translator = parts.Translator;
}

void TfVantrelMain::ConnectControls() {
    TMainController& controller = *FController;
    connect(btnCommand, &QPushButton::clicked, this,
            [&controller] { controller.Run(controller.btnCommandOnClick()); });
    connect(lbCommandLabel, &TClickLabel::clicked, this,
            [&controller] { controller.Run(controller.lbCommandLabelOnClick()); });
    connect(btnHide, &QPushButton::clicked, this,
            [&controller] { controller.Run(controller.btnHideOnClick()); });
    connect(imgWebSite, &TClickLabel::clicked, this, &TfVantrelMain::imgWebSiteClick);
    connect(cmbUpdateMode, &QComboBox::activated, this,
            [&controller](int index) { controller.UpdateModeChosen(index); });
    connect(miShoWindow, &QAction::triggered, this, &TfVantrelMain::miShoWindowClick);
    connect(miTrayQuit, &QAction::triggered, this, &TfVantrelMain::miTrayQuitClick);
    connect(miCopyText, &QAction::triggered, this, &TfVantrelMain::miCopyTextClick);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    miShoWindowClick();
            });
}

void TfVantrelMain::FormCreate() {
    FNextTop = 8;
    QCoreApplication::setApplicationName(Text(texts::kAppTitle));
    std::string tempDir;
    std::string tempDirError;
    try {
        tempDir = platform::CacheDir().string();
    } catch (const std::exception& e) {
        // A directory that others could write to must not receive the
        // package: the name is kept for the messages, and every transfer is
        // refused with the reason.
        tempDir = platform::CacheDirPath().string();
        tempDirError = e.what();
    }
    FOpeningWebSite = false;
    fTrayPopupWindow = nullptr;
    imgProductLogo->setPixmap(LoadPicture("ORBISK4LOGO64"));
    imgWebSite->setPixmap(LoadPicture("GLOBESMALL"));
    imgWebSite->adjustSize();
    // A dictionary that is missing or damaged, or a language it lacks,
    // leaves the English texts.
    try {
        Repository->LoadDictionary(AppDir + "translation.dat");
        Repository->SetCurrentLanguage(Language);
        Translator->TranslateForm();
        ProgressBar->SetPercentTypeText(TLabelProgressBar::showStatic,
                                        Translator->TranslateText(Std(texts::kPaused)));
    } catch (...) {
    }
    // The one label of the form that takes the size of its (translated) text.
    Label2->adjustSize();
    for (const TUpdateModeRow& mode : kUpdateModes)
        cmbUpdateMode->addItem(Translate(mode.ListText));
    miShoWindow->setText(Translate(texts::kShow) + u' ' + Translate(texts::kAppTitle));
    FController->Start(std::move(tempDir), std::move(tempDirError));
}

QString TfVantrelMain::Translate(std::string_view text) {
    return QString::fromStdU16String(FController->Translate(text));
}

QString TfVantrelMain::Expanded(std::string_view templ) {
    return QString::fromStdU16String(FController->Expanded(templ));
}

void TfVantrelMain::ShowInformation(const std::vector<TInformationElement>& elements) {
    InformationPanel->Fill(elements);
    if (!ProjectInfo.ProductLogo.Empty()) {
        const TJPEGImage& logo = ProjectInfo.ProductLogo;
        const QImage image(logo.Pixels().data(), logo.Width(), logo.Height(),
                           static_cast<qsizetype>(logo.Width()) * 3, QImage::Format_RGB888);
        imgProductLogo->setPixmap(QPixmap::fromImage(image.copy()));
    }
    if (ShowsWebSite(ProjectInfo.WebSiteURL)) {
        imgWebSite->setToolTip(
            PlainToolTip(WebSiteHint(Translate(texts::kVisitWebSite), ProjectInfo.WebSiteURL)));
        imgWebSite->show();
    }
    NameMainWindowControls(*this);
}

}  // namespace vantrel
