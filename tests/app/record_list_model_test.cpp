// The record list model: columns per kind, colours, images, sorting through
// the model and the persistence of indexes across sorts.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QPersistentModelIndex>

#include "record_list_model.h"

namespace kivo::app {
namespace {

using core::RecordRow;
using core::ViewKind;

RecordRow Row(std::string id, std::string subject, std::string date, std::string duration,
              int status = 0, std::uint64_t offset = 0) {
    RecordRow row;
    row.columns = {
        id, subject, date, "10:00:00", duration, "D" + id + ".xrz", std::to_string(status)};
    row.log_offset = offset;
    return row;
}

std::vector<RecordRow> ThreeDictations() {
    return {
        Row("00000002", "beta", "03/02/2024", "00:00:09", 0, 802),
        Row("00000001", "Alpha", "15/01/2024", "00:10:00", 1, 401),
        Row("00000003", "gamma", "01/12/2023", "00:01:00", 3, 1203),
    };
}

QStringList ColumnTexts(const RecordListModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

// Collects what QAbstractItemModelTester finds wrong.
class ModelTesterWarnings {
public:
    ModelTesterWarnings() {
        previous_ = qInstallMessageHandler(&Handler);
        warnings().clear();
    }
    ~ModelTesterWarnings() { qInstallMessageHandler(previous_); }
    static QStringList& warnings() {
        static QStringList list;
        return list;
    }

private:
    static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type != QtDebugMsg && QString::fromLatin1(context.category).startsWith("qt.modeltest"))
            warnings() << text;
    }
    QtMessageHandler previous_;
};

TEST(RecordListModel, PassesTheModelTesterThroughListingsAndSorts) {
    ModelTesterWarnings warnings;
    RecordListModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.Show(ViewKind::kDictation, ThreeDictations());
    model.sort(1, Qt::DescendingOrder);
    model.ClickHeader(4);
    model.Show(ViewKind::kPhone, {});
    model.Show(ViewKind::kDiary, ThreeDictations());
    EXPECT_TRUE(ModelTesterWarnings::warnings().isEmpty())
        << ModelTesterWarnings::warnings().join('\n').toStdString();
}

TEST(RecordListModel, ColumnsFollowTheListedKind) {
    RecordListModel model;
    EXPECT_EQ(model.columnCount(), 0);

    model.Show(ViewKind::kDictation, {});
    ASSERT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Date");
    EXPECT_TRUE(RecordListModel::IsHiddenColumn(ViewKind::kDictation, 5));
    EXPECT_TRUE(RecordListModel::IsHiddenColumn(ViewKind::kDictation, 6));
    EXPECT_FALSE(RecordListModel::IsHiddenColumn(ViewKind::kDictation, 4));

    model.Show(ViewKind::kDiary, {});
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Diary Date");
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), "Diary Time");

    model.Show(ViewKind::kPhone, {});
    ASSERT_EQ(model.columnCount(), 8);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Phone Number");
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "Name");
    EXPECT_TRUE(RecordListModel::IsHiddenColumn(ViewKind::kPhone, 6));
    EXPECT_TRUE(RecordListModel::IsHiddenColumn(ViewKind::kPhone, 7));
}

TEST(RecordListModel, RowTextColourFollowsTheStatusNumber) {
    RecordListModel model;
    model.Show(ViewKind::kDictation, {Row("00000001", "a", "01/01/2024", "00:00:01", 0, 401),
                                      Row("00000002", "b", "01/01/2024", "00:00:01", 1, 802),
                                      Row("00000003", "c", "01/01/2024", "00:00:01", 2, 1203),
                                      Row("00000004", "d", "01/01/2024", "00:00:01", 3, 1604),
                                      Row("00000005", "e", "01/01/2024", "00:00:01", 9, 2005)});
    auto colour = [&](int row) {
        return model.index(row, 1).data(Qt::ForegroundRole).value<QBrush>().color();
    };
    EXPECT_EQ(colour(0), QColor(10, 20, 200));
    EXPECT_EQ(colour(1), QColor(0, 0, 0));
    EXPECT_EQ(colour(2), QColor(43, 132, 34));
    EXPECT_EQ(colour(3), QColor(140, 0, 141));
    EXPECT_EQ(colour(4), QColor(10, 20, 200));
}

TEST(RecordListModel, ColumnZeroShowsTheRowImage) {
    RecordListModel model;
    QPixmap red(16, 16);
    red.fill(Qt::red);
    std::vector<QIcon> images(core::kRecordImageCount);
    images[core::kImageMeeting] = QIcon(red);
    model.SetRowImages(images);
    RecordRow meeting = Row("00000001", "m", "01/01/2024", "00:00:01");
    meeting.image = core::kImageMeeting;
    model.Show(ViewKind::kMeeting, {meeting});
    EXPECT_FALSE(model.index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model.index(0, 1).data(Qt::DecorationRole).isValid());
}

TEST(RecordListModel, SortsThroughTheModelByDateDurationAndText) {
    RecordListModel model;
    model.Show(ViewKind::kDictation, ThreeDictations());
    EXPECT_EQ(ColumnTexts(model, 0), QStringList({"00000001", "00000002", "00000003"}));

    model.sort(2, Qt::AscendingOrder);
    EXPECT_EQ(ColumnTexts(model, 0), QStringList({"00000003", "00000001", "00000002"}));

    model.sort(4, Qt::DescendingOrder);
    EXPECT_EQ(ColumnTexts(model, 4), QStringList({"00:10:00", "00:01:00", "00:00:09"}));

    model.sort(1, Qt::AscendingOrder);
    EXPECT_EQ(ColumnTexts(model, 1), QStringList({"Alpha", "beta", "gamma"}));
    EXPECT_EQ(model.sort_column(), 1);
    EXPECT_EQ(model.sort_order(), Qt::AscendingOrder);
}

TEST(RecordListModel, ClickingDurationTwiceGivesTheLongestFirst) {
    RecordListModel model;
    model.Show(ViewKind::kDictation, ThreeDictations());
    std::vector<std::pair<int, Qt::SortOrder>> reported;
    QObject::connect(&model, &RecordListModel::sortChanged, [&](int column, Qt::SortOrder order) {
        reported.emplace_back(column, order);
    });
    model.ClickHeader(4);
    model.ClickHeader(4);
    EXPECT_EQ(ColumnTexts(model, 4).first(), "00:10:00");
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(reported[0], std::make_pair(4, Qt::AscendingOrder));
    EXPECT_EQ(reported[1], std::make_pair(4, Qt::DescendingOrder));
}

TEST(RecordListModel, SortColumnKeepsNamingTheDateAcrossThePhoneList) {
    RecordListModel model;
    model.Show(ViewKind::kDictation, ThreeDictations());
    model.ClickHeader(2);
    model.Show(ViewKind::kPhone, {});
    EXPECT_EQ(model.sort_column(), 3);
    EXPECT_EQ(model.headerData(model.sort_column(), Qt::Horizontal).toString(), "Date");
    model.Show(ViewKind::kDictation, {});
    EXPECT_EQ(model.sort_column(), 2);
}

TEST(RecordListModel, PersistentIndexesFollowTheirRecordsWhenSorted) {
    RecordListModel model;
    model.Show(ViewKind::kDictation, ThreeDictations());
    QPersistentModelIndex gamma(model.index(2, 1));
    ASSERT_EQ(gamma.data().toString(), "gamma");
    model.sort(2, Qt::AscendingOrder);  // gamma has the oldest date
    EXPECT_EQ(gamma.row(), 0);
    EXPECT_EQ(gamma.data().toString(), "gamma");
}

TEST(RecordListModel, CollectSelectionTakesNumberKindAndRecordingFile) {
    RecordListModel model;
    model.Show(ViewKind::kDictation, ThreeDictations());
    const int rows[] = {2, 0, 7};
    const auto selection = model.CollectSelection(rows);
    ASSERT_EQ(selection.size(), 2u);
    EXPECT_EQ(selection[0].record_number, 3);
    EXPECT_EQ(selection[0].view, ViewKind::kDictation);
    EXPECT_EQ(selection[0].recording_file, "D00000003.xrz");
    EXPECT_EQ(selection[1].record_number, 1);
}

TEST(RecordListModel, PhoneRowsTakeTheRecordingFileFromTheirOwnColumn) {
    RecordListModel model;
    RecordRow call;
    call.columns = {"00000009", "0123 456", "Ann",       "01/01/2024",
                    "10:00:00", "00:00:30", "Dcall.xrz", "2"};
    model.Show(ViewKind::kPhone, {call});
    EXPECT_EQ(model.RecordingFile(0), "Dcall.xrz");
    EXPECT_EQ(model.Status(0), 2);
    EXPECT_EQ(model.Id(0), "00000009");
}

}  // namespace
}  // namespace kivo::app
