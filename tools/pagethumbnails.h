#pragma once

#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QTimer>

#include <functional>

class FeatureBase;
class QListWidget;

// A list of page thumbnails that fills without holding up the window: the
// items stand there at once, labelled "Page n", and their pictures are drawn
// a few at a time whenever the event loop is idle. Item i stands for page
// i + 1 at the time its picture is drawn, so removing items (and the pages
// they stand for) keeps the rest right. While the page's run has the engine,
// drawing waits.
class PageThumbnails : public QObject
{
    Q_OBJECT

public:
    // Draws the picture of one page (from 1).
    using Render = std::function<QPixmap(int page)>;

    PageThumbnails(QListWidget* list, FeatureBase* page, Render render);

    // Replaces the items by `count` new ones and starts drawing.
    void fill(int count);
    // Drops the items and the pictures not drawn yet.
    void clear();
    // Labels every item after its position again ("Page 1", "Page 2" ...).
    void renumber();
    // Pictures are still to be drawn.
    bool busy() const { return timer.isActive(); }

    static QString label(int page) { return QStringLiteral("Page %1").arg(page); }

signals:
    // Every picture is drawn.
    void finished();

private:
    void drawSome();

    QListWidget* list;
    FeatureBase* page;
    Render render;
    QTimer timer;
    int next = 0;  // the first row whose picture may still be missing
    QPixmap placeholder;
};
