#pragma once
// The rows of the settings dialog's list, supplied on demand: the model
// holds only the row count and asks for each cell's text when it is drawn.

#include <QAbstractTableModel>

#include <functional>

class TToolRowsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using TCellText = std::function<QString(int row, int column)>;

    explicit TToolRowsModel(TCellText cellText, QObject *parent = nullptr);

    void SetRowCount(int count);
    void SetCaptions(const QStringList &captions);
    // Redraws rows first to last (clamped to the rows there are).
    void Redraw(int first, int last);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    TCellText CellText;
    QStringList Captions{QString(), QString(), QString(), QString()};
    int Rows = 0;
};
