#include "app/LogFileView.h"

#include <QAbstractListModel>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <algorithm>
#include <cstring>
#include <vector>

namespace orv {

// The lines of a log file, each decoded only when it is shown.
class LogLines : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void show(QByteArray bytes, const QFontMetrics& metrics) {
        beginResetModel();
        bytes_ = std::move(bytes);
        starts_.clear();
        int longest = 0;
        qsizetype longestBytes = 0;
        for (qsizetype at = 0; at < bytes_.size();) {
            const void* lineEnd = std::memchr(bytes_.constData() + at, '\n', static_cast<size_t>(bytes_.size() - at));
            const qsizetype next = lineEnd ? static_cast<const char*>(lineEnd) - bytes_.constData() + 1 : bytes_.size();
            if (next - at > longestBytes) {
                longest = static_cast<int>(starts_.size());
                longestBytes = next - at;
            }
            starts_.push_back(at);
            at = next;
        }
        // Every line is given the size of the longest, so that the list lays out a million lines at once
        // and scrolls sideways as far as the longest goes.
        lineSize_ = starts_.empty() ? QSize()
                                    : QSize(metrics.horizontalAdvance(line(longest)) + 2 * metrics.averageCharWidth(),
                                            metrics.height() + 2);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(starts_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::DisplayRole) return line(index.row());
        if (role == Qt::SizeHintRole) return lineSize_;
        return {};
    }

    // The line's text, without its line end.
    QString line(int row) const {
        const auto at = static_cast<size_t>(row);
        const qsizetype start = starts_[at];
        qsizetype end = at + 1 < starts_.size() ? starts_[at + 1] : bytes_.size();
        if (end > start && bytes_[end - 1] == '\n') --end;
        if (end > start && bytes_[end - 1] == '\r') --end;
        return QString::fromUtf8(bytes_.constData() + start, end - start);
    }

private:
    QByteArray bytes_;
    std::vector<qsizetype> starts_;
    QSize lineSize_;
};

LogFileView::LogFileView(QWidget* parent) : QListView(parent), lines_(new LogLines(this)) {
    setModel(lines_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
}

void LogFileView::showFile(const QString& path) {
    QFile log(path);
    lines_->show(log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray(), fontMetrics());
}

void LogFileView::keyPressEvent(QKeyEvent* event) {
    if (!event->matches(QKeySequence::Copy)) {
        QListView::keyPressEvent(event);
        return;
    }
    QModelIndexList selected = selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList text;
    for (const QModelIndex& index : selected) text << lines_->line(index.row());
    QGuiApplication::clipboard()->setText(text.join(QLatin1Char('\n')));
}

}  // namespace orv
