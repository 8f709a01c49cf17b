// Help without a web browser: F1 and Help > Kivo Help open Kivo's own help
// window; it walks back and forward, lists the pages a search finds, and a
// dialog's help (F1, also in a dialog without a help key of its own) opens
// on the dialog's own page. The pages describe the
// program as it is: a page of a command that works says nothing of it
// coming later.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include "app_fixture.h"
#include "export_options_dialog.h"
#include "help_topics.h"
#include "help_window.h"
#include "main_window.h"
#include "options_dialog.h"

namespace kivo::app {
namespace {

class HelpWindowTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
        window_->show();
    }
    HelpWindow* help() const { return window_->findChild<HelpWindow*>(); }
    QStringList ContentsTitles() const {
        QStringList titles;
        for (int row = 0; row < help()->contents()->count(); ++row)
            titles << help()->contents()->item(row)->text();
        return titles;
    }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_;
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(HelpWindowTest, F1AndTheHelpMenuOpenTheContentsInKivosOwnWindow) {
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(window_.get(), Qt::Key_F1);
    ASSERT_NE(help(), nullptr);
    EXPECT_TRUE(help()->isVisible());
    EXPECT_EQ(help()->windowTitle(), "Kivo Help");
    EXPECT_EQ(help()->current_page(), "166.htm");
    EXPECT_TRUE(help()->browser()->toPlainText().contains("Topics"));
    EXPECT_EQ(ContentsTitles().value(0), "Kivo Help");
    EXPECT_TRUE(ContentsTitles().contains("Dictation Recorder"));
    // No title is cut off.
    EXPECT_GE(help()->contents()->viewport()->width(), help()->contents()->sizeHintForColumn(0));

    help()->ShowTopic("playback.htm");
    help()->close();
    window_->commands().action(Command::kHelpContents)->trigger();
    EXPECT_EQ(window_->findChildren<HelpWindow*>().size(), 1);
    EXPECT_TRUE(help()->isVisible());
    EXPECT_EQ(help()->current_page(), "166.htm");
}

TEST_F(HelpWindowTest, LinksBackAndForwardWalkThePagesSeen) {
    window_->ShowHelpTopic("166.htm");
    EXPECT_FALSE(help()->back_button()->isEnabled());
    help()->browser()->setSource(QUrl("options.htm"));
    EXPECT_EQ(help()->current_page(), "options.htm");
    // The contents mark the page shown.
    ASSERT_EQ(help()->contents()->selectedItems().size(), 1);
    EXPECT_EQ(help()->contents()->selectedItems()[0]->text(), "Options");
    ASSERT_TRUE(help()->back_button()->isEnabled());
    QTest::mouseClick(help()->back_button(), Qt::LeftButton);
    EXPECT_EQ(help()->current_page(), "166.htm");
    ASSERT_TRUE(help()->forward_button()->isEnabled());
    QTest::mouseClick(help()->forward_button(), Qt::LeftButton);
    EXPECT_EQ(help()->current_page(), "options.htm");

    // By keyboard: the buttons' letters and, as in a web browser, Alt+Left
    // and Alt+Right.
    help()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help()));
    QTest::keyClick(help(), Qt::Key_B, Qt::AltModifier);
    QTRY_COMPARE(help()->current_page(), QString("166.htm"));
    QTest::keyClick(help(), Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(help()->current_page(), QString("options.htm"));
    QTest::keyClick(help(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(help()->current_page(), "166.htm");
    QTest::keyClick(help(), Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(help()->current_page(), "options.htm");

    // The navigation bar's links stay apart.
    EXPECT_TRUE(help()->browser()->toPlainText().contains(
        QString::fromUtf8("Contents \u00b7 Getting started")));

    help()->ShowTopic("no-such-page.htm");
    EXPECT_TRUE(help()->browser()->toPlainText().contains("no-such-page.htm"));

    help()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(help()));
    QTest::keyClick(help()->browser(), Qt::Key_Escape);
    EXPECT_FALSE(help()->isVisible());
}

TEST_F(HelpWindowTest, SearchListsOnlyThePagesHoldingEveryWord) {
    window_->ShowHelpTopic("playback.htm");
    help()->Search("reverse effects");
    const QStringList found = ContentsTitles();
    EXPECT_TRUE(found.contains("Playing a recording"));
    EXPECT_FALSE(found.contains("Compressing the data store"));
    EXPECT_TRUE(help()->browser()->textCursor().hasSelection());
    EXPECT_EQ(help()->browser()->textCursor().selectedText().toLower(), "reverse");

    help()->Search("zzqx-not-a-word");
    EXPECT_EQ(help()->contents()->count(), 0);
    help()->Search("");
    EXPECT_EQ(help()->contents()->count(),
              QDir(KIVO_SOURCE_SHARE_DIR "/help").entryList({"*.htm"}, QDir::Files).size());
}

TEST_F(HelpWindowTest, HelpAskedForFromAModalDialogOpensItsPageAboveThatDialog) {
    QDialog dialog(window_.get());
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    window_->ShowHelpTopic("options.htm");
    auto* help = dialog.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->current_page(), "options.htm");
    EXPECT_TRUE(help->isVisible());
}

TEST_F(HelpWindowTest, F1InADialogWithoutAHelpKeyOpensThatDialogsPageAndNeverDoesNothing) {
    auto press_f1_in = [](QDialog* dialog) {
        dialog->open();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : dialog, Qt::Key_F1);
        return dialog->findChildren<HelpWindow*>();
    };
    ExportOptionsDialog options(ExportOptionsDialog::Purpose::kExport, false, false, window_.get());
    const QList<HelpWindow*> export_help = press_f1_in(&options);
    ASSERT_EQ(export_help.size(), 1);
    EXPECT_EQ(export_help[0]->current_page(), "export.htm");
    EXPECT_TRUE(export_help[0]->isVisible());
    options.reject();

    // A window no page describes opens the contents.
    QDialog plain(window_.get());
    const QList<HelpWindow*> plain_help = press_f1_in(&plain);
    ASSERT_EQ(plain_help.size(), 1);
    EXPECT_EQ(plain_help[0]->current_page(), "166.htm");
    plain.reject();

    // A dialog with its own help key answers it once, on its own page.
    OptionsDialog own(OptionsSettings{}, window_.get());
    QObject::connect(&own, &OptionsDialog::helpRequested, window_.get(),
                     &MainWindow::ShowHelpTopic);
    const QList<HelpWindow*> own_help = press_f1_in(&own);
    ASSERT_EQ(own_help.size(), 1);
    EXPECT_EQ(own_help[0]->current_page(), "options.htm");
    EXPECT_EQ(own_help[0]->back_button()->isEnabled(), false);
    own.reject();
}

TEST_F(HelpWindowTest, NoPageOfAWorkingCommandSaysItComesLater) {
    const QRegularExpression stale(
        QStringLiteral("not in this version|in a later version|still being built|not yet built|"
                       "not built yet|gray in this version|comes later"),
        QRegularExpression::CaseInsensitiveOption);
    const std::vector<HelpPage> pages =
        ReadHelpPages(QStringLiteral(KIVO_SOURCE_SHARE_DIR "/help"), kHelpContentsTopic);
    int checked = 0;
    for (const CommandHelpPage& owner : CommandHelpPages()) {
        if (!window_->commands().IsRouted(owner.command))
            continue;
        const auto page = std::find_if(pages.begin(), pages.end(), [&owner](const HelpPage& p) {
            return p.file == QLatin1String(owner.page);
        });
        ASSERT_NE(page, pages.end()) << owner.page;
        const QRegularExpressionMatch match = stale.match(page->plain_text);
        EXPECT_FALSE(match.hasMatch()) << owner.page << " says \"" << match.captured().toStdString()
                                       << "\" of a command that works";
        ++checked;
    }
    EXPECT_GE(checked, 8);
}

}  // namespace
}  // namespace kivo::app
