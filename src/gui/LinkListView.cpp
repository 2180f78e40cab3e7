#include "gui/LinkListView.h"

#include "core/AppError.h"

#include <QHeaderView>

LinkListView::LinkListView(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(0);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideRight);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QString LinkListView::text(int row, int column) const
{
    QTreeWidgetItem *item = row >= 1 && row <= count() ? topLevelItem(row - 1) : nullptr;
    if (!item)
        throw AppError(QStringLiteral("Index out of bounds"), 35600);
    return item->text(column);
}

void LinkListView::append(const QString &link)
{
    auto *item = new QTreeWidgetItem;
    item->setText(0, link);
    addTopLevelItem(item);
}

void LinkListView::append(const QString &link, const QString &reason)
{
    auto *item = new QTreeWidgetItem;
    item->setText(0, link);
    item->setText(1, reason);
    addTopLevelItem(item);
}

int LinkListView::selectedRow() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return 0;
    return indexOfTopLevelItem(selected.first()) + 1;
}

void LinkListView::selectRow(int row)
{
    if (QTreeWidgetItem *item = row >= 1 && row <= count() ? topLevelItem(row - 1) : nullptr)
        setCurrentItem(item);
    else
        clearSelection();
}

void LinkListView::removeRow(int row)
{
    if (row < 1 || row > count())
        throw AppError(QStringLiteral("Index out of bounds"), 35600);
    delete takeTopLevelItem(row - 1);
}

QStringList LinkListView::links() const
{
    QStringList result;
    result.reserve(count());
    for (int i = 0; i < count(); ++i)
        result << topLevelItem(i)->text(0);
    return result;
}

void LinkListView::addColumn(const QString &header)
{
    const int column = columnCount();
    setColumnCount(column + 1);
    headerItem()->setText(column, header);
    headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
}
