// The "Kivo Help" window: contents, search, and the page browser.
#include "help_window.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "help_topics.h"

namespace kivo::app {
namespace {

constexpr const char* kTitleSuffix = " - Kivo Help";
constexpr int kFileRole = Qt::UserRole;

QString PageTitle(const QString& html, const QString& file) {
    static const QRegularExpression title_tag(
        QStringLiteral("<title>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = title_tag.match(html);
    if (!match.hasMatch())
        return file;
    QTextDocument decoder;
    decoder.setHtml(match.captured(1));
    QString title = decoder.toPlainText().simplified();
    if (title.endsWith(QLatin1String(kTitleSuffix)))
        title.chop(static_cast<int>(qstrlen(kTitleSuffix)));
    return title.isEmpty() ? file : title;
}

bool HoldsEveryWord(const HelpPage& page, const QStringList& words) {
    return std::all_of(words.begin(), words.end(), [&page](const QString& word) {
        return page.plain_text.contains(word, Qt::CaseInsensitive) ||
               page.title.contains(word, Qt::CaseInsensitive);
    });
}

// Shows the pages as they are, with the links of a page's navigation bar
// kept apart (the browser does not lay out the bar as a web browser does).
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override {
        QVariant resource = QTextBrowser::loadResource(type, name);
        if (type != QTextDocument::HtmlResource)
            return resource;
        QString html = resource.typeId() == QMetaType::QByteArray
                           ? QString::fromUtf8(resource.toByteArray())
                           : resource.toString();
        static const QRegularExpression nav_links(QStringLiteral("</a>\\s*<a "));
        const qsizetype nav_start = html.indexOf(QLatin1String("<nav>"));
        const qsizetype nav_end = html.indexOf(QLatin1String("</nav>"), nav_start);
        if (nav_start >= 0 && nav_end > nav_start) {
            QString nav = html.mid(nav_start, nav_end - nav_start);
            nav.replace(nav_links, QStringLiteral("</a> &middot; <a "));
            html.replace(nav_start, nav_end - nav_start, nav);
        }
        return html;
    }
};

// The page part of a topic ("300.htm#marks" -> "300.htm").
QString PageOf(const QString& topic) {
    return topic.section(QLatin1Char('#'), 0, 0);
}

// The file name of the page at url ("file:///.../options.htm#top" -> "options.htm").
QString PageFileOf(const QUrl& url) {
    return PageOf(url.toString(QUrl::RemoveFragment)).section(QLatin1Char('/'), -1);
}

}  // namespace

std::vector<HelpPage> ReadHelpPages(const QString& folder, const QString& contents_page) {
    std::vector<HelpPage> pages;
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.htm"), QStringLiteral("*.html")}, QDir::Files);
    for (const QString& file : files) {
        QFile source(QDir(folder).filePath(file));
        if (!source.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(source.readAll());
        QTextDocument text;
        text.setHtml(html);
        pages.push_back({file, PageTitle(html, file), text.toPlainText()});
    }
    std::sort(pages.begin(), pages.end(), [&contents_page](const HelpPage& a, const HelpPage& b) {
        if ((a.file == contents_page) != (b.file == contents_page))
            return a.file == contents_page;
        return a.title.localeAwareCompare(b.title) < 0;
    });
    return pages;
}

HelpWindow::HelpWindow(QString folder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      folder_(std::move(folder)),
      pages_(ReadHelpPages(folder_, QString::fromLatin1(kHelpContentsTopic))),
      browser_(new HelpBrowser(this)),
      contents_(new QListWidget(this)),
      search_(new QLineEdit(this)),
      back_(new QPushButton(tr("&Back"), this)),
      forward_(new QPushButton(tr("&Forward"), this)),
      home_(new QPushButton(tr("&Contents"), this)) {
    setWindowTitle(QString::fromLatin1(kHelpWindowTitle));
    setObjectName(QStringLiteral("helpWindow"));
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setSearchPaths({folder_});
    // Pages of the folder open here; web addresses go to the desktop.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() || (url.isLocalFile() && url.toLocalFile().startsWith(folder_)))
            browser_->setSource(url);
        else
            QDesktopServices::openUrl(url);
    });

    auto* search_label = new QLabel(tr("&Search:"), this);
    search_label->setBuddy(search_);
    search_->setClearButtonEnabled(true);
    search_->setPlaceholderText(tr("Words to find"));
    auto* close_key = new QShortcut(QKeySequence::Cancel, this);
    connect(close_key, &QShortcut::activated, this, &QWidget::close);
    auto* find_key = new QShortcut(QKeySequence::Find, this);
    connect(find_key, &QShortcut::activated, search_, qOverload<>(&QWidget::setFocus));
    connect(search_, &QLineEdit::textChanged, this, &HelpWindow::Search);

    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addWidget(home_);
    bar->addStretch(1);
    bar->addWidget(search_label);
    bar->addWidget(search_);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    for (QPushButton* button : {back_, forward_, home_})
        button->setAutoDefault(false);
    // Alt+Left and Alt+Right as in a web browser, beside the buttons' own
    // Alt+B and Alt+F (a button's setShortcut would take their place).
    connect(new QShortcut(QKeySequence::Back, this), &QShortcut::activated, back_,
            &QAbstractButton::click);
    connect(new QShortcut(QKeySequence::Forward, this), &QShortcut::activated, forward_,
            &QAbstractButton::click);
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(home_, &QPushButton::clicked, this,
            [this] { ShowTopic(QString::fromLatin1(kHelpContentsTopic)); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    // The browser's source() still names the page before while it tells of
    // the new one: the contents follow the address it gives.
    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { SelectInContents(PageFileOf(url)); });

    contents_->setObjectName(QStringLiteral("helpContents"));
    contents_->setAccessibleName(tr("Contents"));
    connect(contents_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(kFileRole).toString()); });
    connect(contents_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowTopic(item->data(kFileRole).toString()); });
    FillContents(QString());

    auto* splitter = new QSplitter(this);
    splitter->addWidget(contents_);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    // The contents are as wide as their longest title, so none is cut off.
    const int contents_width = contents_->sizeHintForColumn(0) + 2 * contents_->frameWidth() +
                               contents_->verticalScrollBar()->sizeHint().width();
    splitter->setSizes({contents_width, 900 - contents_width});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);
    setTabOrder(search_, contents_);
    setTabOrder(contents_, browser_);
    resize(900, 640);
}

void HelpWindow::ShowTopic(const QString& topic) {
    const QString page = PageOf(topic);
    if (!QFile::exists(QDir(folder_).filePath(page))) {
        browser_->setHtml(tr("<h1>Page not found</h1><p>The help page %1 is not in %2.</p>")
                              .arg(page.toHtmlEscaped(), folder_.toHtmlEscaped()));
        return;
    }
    browser_->setSource(QUrl(topic));
}

QString HelpWindow::current_page() const {
    return PageFileOf(browser_->source());
}

void HelpWindow::Search(const QString& text) {
    if (search_->text() != text) {
        const QSignalBlocker block(search_);
        search_->setText(text);
    }
    FillContents(text);
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return;
    QTextCursor start = browser_->textCursor();
    start.movePosition(QTextCursor::Start);
    browser_->setTextCursor(start);
    browser_->find(words.first());
}

void HelpWindow::FillContents(const QString& text) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    contents_->clear();
    for (const HelpPage& page : pages_) {
        if (!HoldsEveryWord(page, words))
            continue;
        auto* item = new QListWidgetItem(page.title, contents_);
        item->setData(kFileRole, page.file);
    }
    SelectInContents(current_page());
}

void HelpWindow::SelectInContents(const QString& page) {
    for (int row = 0; row < contents_->count(); ++row) {
        if (contents_->item(row)->data(kFileRole).toString() == page) {
            const QSignalBlocker block(contents_);
            contents_->setCurrentRow(row);
            return;
        }
    }
}

}  // namespace kivo::app
