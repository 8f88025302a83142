// The information panel of the main window: the server's texts as a column
// of captioned boxes under bold group headings, their "Copy text" menu, and
// the globe that opens the product's web site.
#pragma once

#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "frontend/qt/controls/ControlColors.h"
#include "window/controller/InformationSections.h"

namespace vantrel {

class TScrollBox;
class TTabedLabel;

class TInformationPanel : public QObject {
    Q_OBJECT

public:
    // `nextTop` is the window's FNextTop: where the next element goes, in
    // the content's coordinates; each element added moves it down.
    TInformationPanel(TScrollBox* box, QMenu* pmScrollBox, int& nextTop, QObject* parent = nullptr);

    QLabel* AddSectionHeader(const QString& text, TColor color);
    TTabedLabel* AddSection(const QString& caption, const std::string& text);

    // Adds the elements, top to bottom.
    void Fill(const std::vector<TInformationElement>& elements);

    // The element on which pmScrollBox was last opened (null when none, or
    // when it has been freed since).
    QObject* PopupComponent() const { return FPopupComponent; }
    // Opens pmScrollBox for `component` at `globalPos`; the boxes' context
    // menu requests come here.
    void PopupFor(QObject* component, QPoint globalPos);

    // "Copy text": the box's Caption, a line break and its Text on the
    // clipboard; nothing when the menu was opened on anything else. The
    // window connects miCopyText's trigger to it.
    void miCopyTextClick();

private:
    // The first "<kind>_<n>_temp" that no element of the panel is named yet.
    QString FreeName(QStringView kind) const;

    TScrollBox* FBox;
    QPointer<QMenu> FMenu;
    int& FNextTop;
    QPointer<QObject> FPopupComponent;
};

// Whether the globe is shown for `url`: a non-empty http or https address.
// Anything else from the server (a file: address, a local path, a desktop
// entry) could run something on a click.
bool ShowsWebSite(const std::string& url);

// The globe's hint: `format` (the translation of "Visit official web
// site\r\n%s") with the address in place of "%s".
QString WebSiteHint(const QString& format, const std::string& url);

// `text` as a tool tip that shows it literally: escaped, so that markup in a
// server's address is not rendered, and with its line breaks kept.
QString PlainToolTip(const QString& text);

// Opens `address` in the user's browser through ShellOpen; refuses (false,
// nothing opened) anything that is not a web address.
bool OpenURL(const std::string& address);

}  // namespace vantrel
