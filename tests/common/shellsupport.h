#pragma once

// Widgets of the shell and tool tests: icons of one colour, widgets of nested
// forms, and modal dialogs driven from a timer.

#include "toolsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace testsupport {

// An .ico file whose every pixel has one colour.
inline bool writeIcon(const QString& path, const QColor& colour, int side = 256)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    return QImageWriter(path, "ico").write(image);
}

// The first descendant of root named `name` that does not lie inside any of
// the excluded objects (forms nested in a window reuse designer names).
template <class T = QWidget>
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

// A window (W: the main window or a class of it) of that brand and tool,
// shown; brand < 0: no Data.dat at all.
template <class W>
std::unique_ptr<W> shownWindow(const CustomFileNames& names, int brand, int tool)
{
    if (brand >= 0)
        writeBrandingFile(names.dataFilePath(), brand, tool);
    else
        QFile::remove(names.dataFilePath());
    auto w = std::make_unique<W>(nullptr, names);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("the window was never shown; geometry checks will fail");
    return w;
}

// A widget of the main window's own form, not of the file list's or the
// tool page's (they reuse its designer names).
template <class T = QWidget, class W>
T* windowChild(W* w, const char* name)
{
    return ownChild<T>(w, name, {w->photoList(), w->feature()});
}

// Calls action with the first visible top-level widget of type T (a modal
// dialog the code under test opens) as soon as one appears; gives up after
// ten seconds. Returns at once; the action runs from the event loop.
template <class T>
void whenShown(std::function<void(T*)> action)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, action]() {
        T* found = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible() && !found)
                found = t;
        if (!found && clock->elapsed() < 10000)
            return;
        timer->stop();
        timer->deleteLater();
        if (found)
            action(found);
    });
    timer->start(20);
}

} // namespace testsupport
