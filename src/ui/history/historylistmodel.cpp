#include "history/historylistmodel.h"

#include "history/savedattext.h"
#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"

#include <QLocale>

#include <algorithm>

namespace tovik {

HistoryListModel::HistoryListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownRows;
}

bool HistoryListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_shownRows < m_records.size();
}

void HistoryListModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const int shown = static_cast<int>(std::min<qsizetype>(m_records.size(), qsizetype(m_shownRows) + rowsPerFetch));
    beginInsertRows({}, m_shownRows, shown - 1);
    m_shownRows = shown;
    endInsertRows();
}

void HistoryListModel::showRow(int row)
{
    while (row >= m_shownRows && canFetchMore({}))
        fetchMore({});
}

QString HistoryListModel::stamp(const QDateTime &savedAt)
{
    // A saved time that could not be read is kept as the earliest date there is; a year
    // of -292275055 would only puzzle the reader.
    if (savedAt == distantPast())
        return translate(QStringLiteral("Unknown date"));
    const QLocale locale(InterfaceLanguage::shared().localeName());
    // Year, abbreviated month, day, hour, minute and second, ordered as the language writes them.
    const QString format = InterfaceLanguage::shared().language() == AppLanguage::chinese
        ? QStringLiteral("yyyy年M月d日 AP h:mm:ss")
        : QStringLiteral("MMM d, yyyy, h:mm:ss AP");
    return locale.toString(savedAt.toLocalTime(), format);
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shownRows)
        return {};
    const QuestionRecord &record = m_records.at(index.row());
    switch (role) {
    case RecordIdRole:
        return record.id;
    case StampRole:
        return stamp(record.savedAt);
    case Qt::DisplayRole:
    case QuestionRole:
        return record.question;
    case AnswerRole:
        return record.answer.toString();
    case AnswerLengthRole:
        return record.answer.length();
    case SelectedRole:
        return m_selected.contains(record.id);
    case CurrentRole:
        return m_current == record.id;
    case HoveredRole:
        return m_hovered == record.id;
    case Qt::ToolTipRole:
        return record.workingDirectory.isEmpty() ? translate(QStringLiteral("Load this question"))
                                                 : record.workingDirectory;
    case Qt::AccessibleTextRole:
        return translated(QStringLiteral("{stamp}, {question}"),
                          {{QStringLiteral("stamp"), stamp(record.savedAt)},
                           {QStringLiteral("question"), record.question}});
    case Qt::AccessibleDescriptionRole:
        return translate(QStringLiteral("Load this question and answer"));
    default:
        return {};
    }
}

void HistoryListModel::setVisibleRecords(QList<QuestionRecord> records)
{
    if (records == m_records)
        return;
    beginResetModel();
    m_records = std::move(records);
    m_shownRows = static_cast<int>(std::min<qsizetype>(m_records.size(), rowsPerFetch));
    m_visibleIDs.reset();
    endResetModel();
}

const QSet<qint64> &HistoryListModel::visibleIDs() const
{
    if (!m_visibleIDs) {
        QSet<qint64> ids;
        ids.reserve(m_records.size());
        for (const QuestionRecord &record : m_records)
            ids.insert(record.id);
        m_visibleIDs = std::move(ids);
    }
    return *m_visibleIDs;
}

qsizetype HistoryListModel::selectedVisibleCount() const
{
    if (m_selected.isEmpty())
        return 0;
    const QSet<qint64> &visible = visibleIDs();
    qsizetype count = 0;
    for (const qint64 id : m_selected)
        count += visible.contains(id) ? 1 : 0;
    return count;
}

int HistoryListModel::rowOf(qint64 id) const
{
    for (int row = 0; row < m_records.size(); ++row) {
        if (m_records.at(row).id == id)
            return row;
    }
    return -1;
}

void HistoryListModel::touch(qint64 id)
{
    const int row = rowOf(id);
    if (row >= 0 && row < m_shownRows)
        Q_EMIT dataChanged(index(row), index(row));
}

void HistoryListModel::setSelected(qint64 id, bool selected)
{
    const bool changed = selected ? !m_selected.contains(id) : m_selected.remove(id);
    if (!changed)
        return;
    if (selected)
        m_selected.insert(id);
    touch(id);
    Q_EMIT selectionChanged();
}

void HistoryListModel::setSelectedIDs(QSet<qint64> ids)
{
    if (ids == m_selected)
        return;
    m_selected = std::move(ids);
    if (m_shownRows > 0)
        Q_EMIT dataChanged(index(0), index(m_shownRows - 1));
    Q_EMIT selectionChanged();
}

void HistoryListModel::setCurrentID(std::optional<qint64> id)
{
    if (id == m_current)
        return;
    const std::optional<qint64> old = m_current;
    m_current = id;
    if (old)
        touch(*old);
    if (id)
        touch(*id);
}

void HistoryListModel::setHoveredID(std::optional<qint64> id)
{
    if (id == m_hovered)
        return;
    const std::optional<qint64> old = m_hovered;
    m_hovered = id;
    if (old)
        touch(*old);
    if (id)
        touch(*id);
}

void HistoryListModel::refreshStamps()
{
    if (m_shownRows > 0)
        Q_EMIT dataChanged(index(0), index(m_shownRows - 1));
}

} // namespace tovik
