// HelpWindow: "Kivo Help", the program's own reader for the HTML pages in
// share/kivo/help. It needs no web browser and no network: a text browser
// shows the pages, the contents list at the left names every page by its
// title, Back and Forward walk the pages seen, and Search lists the pages
// that hold every word typed and finds the first word in the page shown.
// Links to other pages of the folder open in the window; links that leave
// the folder (web addresses) go to the desktop.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace kivo::app {

inline constexpr const char* kHelpWindowTitle = "Kivo Help";

// One page of the help folder: its file name ("300.htm") and its title
// without the " - Kivo Help" every title ends with.
struct HelpPage {
    QString file;
    QString title;
    QString plain_text;  // for the search
};

// The pages of folder, the contents page first, then by title. Files
// that cannot be read are left out.
std::vector<HelpPage> ReadHelpPages(const QString& folder, const QString& contents_page);

class HelpWindow : public QWidget {
    Q_OBJECT

public:
    explicit HelpWindow(QString folder, QWidget* parent = nullptr);

    // Shows a page of the folder ("300.htm", or "300.htm#marks"). A page
    // that is not there shows a short text saying so.
    void ShowTopic(const QString& topic);
    // The file name of the page shown ("" before the first).
    QString current_page() const;

    // Lists the pages that hold every word of text (all pages when it is
    // blank) and marks the first word in the page shown.
    void Search(const QString& text);

    QTextBrowser* browser() const { return browser_; }
    QListWidget* contents() const { return contents_; }
    QLineEdit* search_edit() const { return search_; }
    QPushButton* back_button() const { return back_; }
    QPushButton* forward_button() const { return forward_; }

private:
    void FillContents(const QString& words);
    // Marks the contents row of page ("options.htm").
    void SelectInContents(const QString& page);

    QString folder_;
    std::vector<HelpPage> pages_;
    QTextBrowser* browser_;
    QListWidget* contents_;
    QLineEdit* search_;
    QPushButton* back_;
    QPushButton* forward_;
    QPushButton* home_;
};

}  // namespace kivo::app
