// LinkListView: one of the window's report-style link lists. Rows hold a link exactly as
// it was put in (and, in the invalid list, a reason), addressed by 1-based position.
#pragma once

#include <QTreeWidget>

class LinkListView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit LinkListView(QWidget *parent = nullptr);

    int count() const { return topLevelItemCount(); }
    // Text of row `row` (1-based) in column `column` (0 = link). Throws AppError when the
    // row does not exist.
    QString text(int row, int column = 0) const;
    // Appends a row at the end; reason goes to the second column when given.
    void append(const QString &link);
    void append(const QString &link, const QString &reason);
    // 1-based position of the selected row, 0 when none is selected.
    int selectedRow() const;
    void selectRow(int row);
    void removeRow(int row);
    QStringList links() const;

    // Adds a column with its header text only; setColumnWidthTwips gives its width.
    void addColumn(const QString &header);
};
