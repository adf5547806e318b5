#include "views/JobRowDelegate.h"

#include "models/JobListModel.h"

#include <QApplication>
#include <QPainter>

void JobRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const QRect r = option.rect.adjusted(10, 6, -10, -6);
    painter->save();
    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->drawText(QRect(r.left(), r.top(), r.width(), r.height() / 3), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(JobListModel::DisplayNameRole).toString());
    painter->setFont(option.font);
    painter->drawText(QRect(r.left(), r.top() + r.height() / 3, r.width(), r.height() / 3),
                      Qt::AlignLeft | Qt::AlignVCenter, index.data(JobListModel::StatusMessageRole).toString());
    painter->restore();

    QStyleOptionProgressBar bar;
    bar.rect = QRect(r.left(), r.top() + 2 * r.height() / 3 + 2, r.width(), r.height() / 3 - 2);
    bar.minimum = 0;
    bar.maximum = 1000;
    bar.progress = int(index.data(JobListModel::ProgressRole).toFloat() * 1000);
    bar.state = QStyle::State_Enabled;
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, opt.widget);
}

QSize JobRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), option.fontMetrics.height() * 4};
}
