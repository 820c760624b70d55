// bench_source_grid: the window's grid showing the column rows of a large
// store (SourceTableModel::setResult, then the view scrolled to the last row
// and painted), against the floor of the same view over the least model that
// can show the same rows (the four fields at fixed places, no look-up).

#include "app/source_table_model.h"
#include "bench/support/cpu_clock.h"
#include "bench/support/report_table.h"
#include "bench/support/side_by_side.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QTableView>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace dbc::bench {

namespace {

// Rows already in the grid's field order; data() converts the cell asked for.
class PlainRowsModel : public QAbstractTableModel {
public:
    void setRows(std::vector<Result::Row> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 4;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return QString::fromStdString(m_rows[static_cast<std::size_t>(index.row())]
                                            [static_cast<std::size_t>(index.column())]);
    }

private:
    std::vector<Result::Row> m_rows;
};

std::vector<Result::Row> makeRows(int count) {
    std::vector<Result::Row> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        rows.push_back(
            {"Field" + std::to_string(i), "10", "varchar", "T" + std::to_string(i / 50)});
    return rows;
}

// Scrolls `view` to its last row and paints it, as the window does after a
// capture; returns the time from `show` (the model filled) on.
template <class Fill>
Sample showAndScroll(QAbstractItemModel& model, const CpuClock& cpu, Fill fill) {
    QTableView view;
    view.resize(361, 265);
    view.setModel(&model);
    view.show();
    QApplication::processEvents();
    const Meter meter(cpu);
    fill();
    view.scrollToBottom();
    view.repaint();
    return meter.stop();
}

int run(const std::vector<int>& sizes) {
    std::cout << "bench_source_grid: SourceTableModel over the store's rows in a QTableView,\n"
                 "scrolled to the last row and painted, against the same view over a model\n"
                 "of plain rows (the floor); best of 5, measured alternately.\n\n";
    ReportTable table(std::cout, {{"rows", 7},
                                  {"floor ms", 8},
                                  {"grid ms", 8},
                                  {"ratio", 5},
                                  {"cpu floor", 9},
                                  {"cpu grid", 9},
                                  {"cpu ratio", 9}});
    table.printHeader();
    const CpuClock cpu;
    for (int size : sizes) {
        const std::vector<Result::Row> rows = makeRows(size);
        const SideBySide timing = measureSideBySide(
            5,
            [&] {
                PlainRowsModel model;
                std::vector<Result::Row> copy = rows;
                return showAndScroll(model, cpu, [&] { model.setRows(std::move(copy)); });
            },
            [&] {
                SourceTableModel model;
                Result result({"FieldName", "FieldLength", "FieldType", "TableName"}, rows);
                return showAndScroll(model, cpu, [&] { model.setResult(std::move(result)); });
            });
        table.printRow({formatCount(static_cast<std::size_t>(size)), formatMs(timing.floor.wallMs),
                        formatMs(timing.work.wallMs), formatRatio(timing.wallRatio()),
                        formatMs(timing.floor.cpuMs), formatMs(timing.work.cpuMs),
                        formatRatio(timing.cpuRatio())});
    }
    std::cout << "\nratio = grid / floor in wall-clock time; cpu = CPU time of the process.\n";
    return EXIT_SUCCESS;
}

} // namespace

} // namespace dbc::bench

int main(int argc, char** argv) {
    // Drawn off screen unless a platform is chosen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    try {
        std::vector<int> sizes;
        for (int i = 1; i < argc; ++i)
            sizes.push_back(std::stoi(argv[i]));
        if (sizes.empty())
            sizes = {10000, 100000};
        return dbc::bench::run(sizes);
    } catch (const std::exception& e) {
        std::cerr << "bench_source_grid: " << e.what() << '\n';
        return EXIT_FAILURE;
    }
}
