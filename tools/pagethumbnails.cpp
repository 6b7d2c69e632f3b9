#include "pagethumbnails.h"

#include "featurebase.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPainter>

namespace {

// Marks an item whose picture is drawn.
constexpr int drawnRole = Qt::UserRole + 101;
// Drawing takes at most this much of each turn of the event loop.
constexpr int sliceMilliseconds = 40;

} // namespace

PageThumbnails::PageThumbnails(QListWidget* listWidget, FeatureBase* toolPage, Render renderPage)
    : QObject(listWidget)
    , list(listWidget)
    , page(toolPage)
    , render(std::move(renderPage))
{
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, &PageThumbnails::drawSome);
    // A blank sheet stands in until the page's own picture is there.
    placeholder = QPixmap(85, 110);
    placeholder.fill(Qt::transparent);
    QPainter painter(&placeholder);
    painter.setPen(QColor(180, 180, 180));
    painter.setBrush(Qt::white);
    painter.drawRect(placeholder.rect().adjusted(0, 0, -1, -1));
}

void PageThumbnails::fill(int count)
{
    clear();
    for (int i = 0; i < count; ++i) {
        auto* item = new QListWidgetItem(QIcon(placeholder), label(i + 1));
        item->setSizeHint(QSize(170, 200));
        list->addItem(item);
    }
    if (count > 0)
        timer.start();
}

void PageThumbnails::clear()
{
    timer.stop();
    next = 0;
    list->clear();
}

void PageThumbnails::renumber()
{
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setText(label(i + 1));
    // Items may have moved before the first one still waiting.
    next = 0;
}

void PageThumbnails::drawSome()
{
    if (page && page->isRunning())
        return;
    QElapsedTimer clock;
    clock.start();
    while (next < list->count() && clock.elapsed() < sliceMilliseconds) {
        QListWidgetItem* item = list->item(next);
        if (!item->data(drawnRole).toBool()) {
            const QPixmap picture = render(next + 1);
            if (!picture.isNull())
                item->setIcon(QIcon(picture));
            item->setData(drawnRole, true);
        }
        ++next;
    }
    if (next >= list->count()) {
        timer.stop();
        emit finished();
    }
}
