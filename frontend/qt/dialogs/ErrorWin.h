// The dialog that tells the user, when they asked with "/showinfo", why the
// update server could not be asked. It is the application's only window:
// closing it ends the program.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <string>

#include "frontend/qt/controls/SpecialFrame.h"
#include "frontend/qt/dialogs/ClickLabel.h"
#include "frontend/qt/i18n/SFTranslateComponent.h"
#include "i18n/SFTranslateRepository.h"

namespace vantrel {

class TfErrorDlg : public QWidget {
    Q_OBJECT

public:
    // Opens a URL in the user's browser; the result is not examined.
    using TShellOpen = std::function<void(const QUrl& url)>;

    // The client area and the border around it, in the button face colour.
    static constexpr int kClientWidth = 414;
    static constexpr int kClientHeight = 210;
    static constexpr int kBorderWidth = 6;

    explicit TfErrorDlg(QWidget* parent = nullptr);

    // Fills the heading and the message from an error text whose lines end
    // in "\r\n": the first line is the heading, shown as it is; every other
    // line is translated on its own.
    void ShowError(const std::string& text);

    // The download page, the vendor's site followed by "/download.php".
    static QUrl DownloadPageURL();
    // Replaces the browser hand-over (tests).
    void SetShellOpen(TShellOpen open) { FShellOpen = std::move(open); }

    TSFTranslateRepository* Repository;
    TSFTranslateComponent* Translator;

    QPushButton* btnClose;
    TSpecialFrame* SpecialFrame1;
    TSpecialFrame* SpecialFrame3;
    QLabel* imgProductLogo;
    QLabel* lbErrorTitle;
    QLabel* lbError;
    QLabel* imgWebSite;
    TClickLabel* lbWWWSite;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateChildren();
    void CreateTranslator();
    void FormCreate();
    void FormShow();
    void lbWWWSiteClick();
    void btnCloseClick();

    TShellOpen FShellOpen;
};

}  // namespace vantrel
