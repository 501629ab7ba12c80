#include "ui/ResultTables.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>

#include "qtutil/QtText.h"

namespace kelmora {

void SetHeader(QTableWidget* table, const std::vector<std::string>& header) {
    table->setColumnCount(static_cast<int>(header.size()));
    QStringList titles;
    for (const std::string& h : header) {
        titles << ToQString(h);
    }
    table->setHorizontalHeaderLabels(titles);
}

QTableWidget* ResultTable(QWidget* parent, const std::vector<std::string>& header) {
    auto* table = new QTableWidget(0, 0, parent);
    SetHeader(table, header);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    // Compact rows leave the room to the charts.
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(false);
    return table;
}

void SpreadColumns(QTableWidget* table) {
    QHeaderView* header = table->horizontalHeader();
    header->resizeSections(QHeaderView::ResizeToContents);
    const int count = header->count();
    int used = 0;
    for (int c = 0; c < count; ++c) {
        used += header->sectionSize(c);
    }
    // Room for a vertical scroll bar is kept whether it shows yet or not, so that its coming
    // never pushes the last column out of sight.
    int room = table->contentsRect().width();
    if (table->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) {
        room -= table->verticalScrollBar()->sizeHint().width();
    }
    const int extra = count > 0 ? std::max(0, room - used) / count : 0;
    for (int c = 0; c < count; ++c) {
        header->resizeSection(c, header->sectionSize(c) + extra);
    }
}

void FillTable(QTableWidget* table, const TTextRows& rows) {
    table->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            auto* item = new QTableWidgetItem(ToQString(rows[r][c]));
            if (c > 0) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    SpreadColumns(table);
}

}  // namespace kelmora
