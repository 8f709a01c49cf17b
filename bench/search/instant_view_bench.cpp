// Instant search in the window: the cost of showing a filtered list, that is
// hiding and showing rows of a QTableView of 100,000 rows the way the
// toolbar's search field does it, keystroke by keystroke (the matching itself
// is timed by search_bench). Prints figures; not a test. Runs on Qt's
// offscreen platform.
//
//   QT_QPA_PLATFORM=offscreen instant_view_bench [ROWS]
#include <QApplication>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTableView>

#include <cstdio>
#include <string>
#include <vector>

#include "kivo/search/instant_filter.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const char* const subjects[] = {"Supplier contract",     "Budget review", "Call about the car",
                                    "Invoice from Hartmann", "Holiday plans", "Dentist"};
    QStandardItemModel model(rows, 2);
    std::vector<std::string> texts;
    for (int row = 0; row < rows; ++row) {
        const std::string subject = subjects[row % 6] + std::string(" ") + std::to_string(row);
        model.setItem(row, 0, new QStandardItem(QString::number(row)));
        model.setItem(row, 1, new QStandardItem(QString::fromStdString(subject)));
        texts.push_back(subject);
    }
    QTableView view;
    view.setModel(&model);
    view.resize(800, 600);
    view.show();
    app.processEvents();
    const kivo::search::InstantFilter filter(texts);
    std::string typed;
    double worst_ms = 0;
    for (const char* step : {"s", "su", "sup", "supp", "", "b", "bu", "budget", "budget 1", ""}) {
        typed = step;
        QElapsedTimer timer;
        timer.start();
        const auto matching = filter.Matching(typed);
        std::vector<bool> shown(static_cast<std::size_t>(rows), false);
        for (std::size_t row : matching)
            shown[row] = true;
        view.setUpdatesEnabled(false);
        for (int row = 0; row < rows; ++row) {
            const bool hide = !shown[static_cast<std::size_t>(row)];
            if (view.isRowHidden(row) != hide)
                view.setRowHidden(row, hide);
        }
        view.setUpdatesEnabled(true);
        app.processEvents();
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        worst_ms = std::max(worst_ms, ms);
        std::printf("%-12s %7zu rows shown  %8.1f ms\n", ("\"" + typed + "\"").c_str(),
                    matching.size(), ms);
    }
    std::printf("worst keystroke with the list redrawn: %.1f ms\n", worst_ms);
    return 0;
}
