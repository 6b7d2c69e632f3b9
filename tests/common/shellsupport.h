#pragma once

// Helpers of the shell and tool tests: bookmarks on files, page texts, icons
// of one colour, widgets of nested forms, and driving modal dialogs from a
// timer. PDF fixtures themselves come from pdffixtures.h.

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

namespace shellsupport {

// Gives a PDF file bookmarks: (depth, title) pairs in depth-first order, as
// fixtures::addOutlines places them.
bool addBookmarks(const QString& path, const std::vector<std::pair<int, QString>>& items);

// Every bookmark of a file as "title@page", depth first, read with QPDF.
QStringList bookmarks(const QString& path);

// The text of each page, trimmed, as pdftotext reads it.
QStringList pageTexts(const QString& path, int pages);

// An .ico file whose every pixel has one colour.
bool writeIcon(const QString& path, const QColor& colour, int side = 256);

// The first descendant of root named `name` that does not lie inside any of
// the excluded objects (forms nested in a window reuse designer names).
template <class T>
T* ownChild(QObject* root, const QString& name, const QList<QObject*>& excluded)
{
    for (T* candidate : root->findChildren<T*>(name)) {
        bool inside = false;
        for (QObject* o = candidate; o && o != root; o = o->parent())
            inside = inside || excluded.contains(o);
        if (!inside)
            return candidate;
    }
    return nullptr;
}

// Calls action with the first visible top-level widget of type T (a modal
// dialog opened by the code under test) as soon as one appears; gives up
// after timeoutMs. Returns immediately; the action runs from the event loop.
template <class T>
void whenShown(std::function<void(T*)> action, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action, timeoutMs]() {
        T* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) {
                found = t;
                break;
            }
        }
        if (!found && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (found)
            action(found);
    });
    timer->start(20);
}

} // namespace shellsupport
