// Text of pages, as pdftotext gives it: option 0 in content-stream order
// (pdftotext -raw), option 7 with the layout kept by spaces (pdftotext
// -layout); any other option is taken as 0. Like the rendering, the text is
// that of the page as displayed: text outside its CropBox is not read.
//
// A caller that reads page after page (the text tools) is served by two
// threads when a processor is idle: a reader with a Poppler view of its own
// reads the pages ahead while the caller reads the one it asked for.

#include "core/instance.h"
#include "render/render.h"

#include <poppler-document.h>
#include <poppler-page.h>

#include <QFile>
#include <QtGlobal>

#include <cstdlib>

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace fpe {

namespace {

constexpr int KeepLayout = 7;

QString pageText(poppler::document& pd, int page, int option)
{
    std::unique_ptr<poppler::page> p(pd.create_page(page - 1));
    if (!p)
        return QString();
    const poppler::ustring text =
        p->text(poppler::rectf(), option == KeepLayout ? poppler::page::physical_layout : poppler::page::raw_order_layout);
    QString result = QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data()), static_cast<int>(text.size()));
    // Poppler ends a page with a form feed; page texts are joined by callers,
    // so each one ends with its last line's line break instead.
    while (result.endsWith(QLatin1Char('\f')))
        result.chop(1);
    if (!result.isEmpty() && !result.endsWith(QLatin1Char('\n')))
        result.append(QLatin1Char('\n'));
    return result;
}

// Whether a second thread would find a processor of its own: on a machine
// already busy it only adds work (a second view to read), as make -l
// reasons. FOLIO_TEXT_READ_AHEAD=1 reads ahead whatever the load, =0 never.
bool spareProcessor()
{
    const QByteArray forced = qgetenv("FOLIO_TEXT_READ_AHEAD");
    if (!forced.isEmpty())
        return forced != "0";
    const unsigned processors = std::thread::hardware_concurrency();
    double load = 0;
#ifdef Q_OS_UNIX
    if (getloadavg(&load, 1) != 1)
        return false;
#endif
    return processors > 1 && load <= processors - 1;
}

} // namespace

// Reads the texts of the pages after the one asked for on a thread of its
// own, a few pages ahead at most. Each page is read once, by whichever
// thread claims it first: a caller whose page is still being read by the
// reader reads a later page meanwhile instead of waiting.
class TextReader
{
public:
    using Open = std::function<std::unique_ptr<poppler::document>()>;

    TextReader(Open open, int option, int pages, int asked)
        : option(option)
        , pages(pages)
        , asked(asked)
        , next(asked + 1)
        , thread([this, open = std::move(open)] { run(open); })
    {
    }

    ~TextReader()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        thread.join();
    }

    const int option;

    // The text of the page, read with `own` when nobody else has read it.
    QString text(int page, poppler::document& own)
    {
        std::unique_lock<std::mutex> lock(mutex);
        asked = page;
        for (;;) {
            auto it = ready.find(page);
            if (it != ready.end()) {
                QString text = std::move(it->second);
                ready.erase(ready.begin(), std::next(it));
                lock.unlock();
                changed.notify_all();
                return text;
            }
            if (!busy.count(page)) {
                if (page >= next)
                    next = page + 1;
                lock.unlock();
                changed.notify_all();
                return pageText(own, page, option);
            }
            if (mayClaim()) {
                const int claimed = next++;
                busy.insert(claimed);
                lock.unlock();
                QString text = pageText(own, claimed, option);
                lock.lock();
                busy.erase(claimed);
                ready[claimed] = std::move(text);
                continue;
            }
            changed.wait(lock);
        }
    }

private:
    static constexpr int ahead = 8;

    bool mayClaim() const { return next <= pages && next <= asked + ahead; }

    void run(const Open& open)
    {
        std::unique_ptr<poppler::document> view = open();
        std::unique_lock<std::mutex> lock(mutex);
        if (!view)
            return;
        for (;;) {
            changed.wait(lock, [this] { return stopping || mayClaim(); });
            if (stopping)
                return;
            const int claimed = next++;
            busy.insert(claimed);
            lock.unlock();
            QString text = pageText(*view, claimed, option);
            lock.lock();
            busy.erase(claimed);
            ready[claimed] = std::move(text);
            changed.notify_all();
        }
    }

    const int pages;
    std::mutex mutex;
    std::condition_variable changed;
    std::map<int, QString> ready;  // page -> text, read and not yet asked for
    std::set<int> busy;            // pages being read
    int asked;                     // the page asked for last
    int next;                      // the first page nobody has claimed
    bool stopping = false;
    std::thread thread;
};

QString Instance::GetPageText(int ExtractOptions)
{
    Document& doc = selectedDoc();
    const int page = doc.selectedPage;
    if (!doc.hasPage(page))
        return QString();
    poppler::document* pd = popplerDocument(doc);
    if (!pd)
        return QString();
    const int option = ExtractOptions == KeepLayout ? KeepLayout : 0;
    RenderCache& cache = *doc.renderCache;
    const bool following = page == cache.lastTextPage + 1 && option == cache.lastTextOption;
    cache.lastTextPage = page;
    cache.lastTextOption = option;
    if (cache.textReader && cache.textReader->option != option)
        cache.textReader.reset();
    // The second page in a row starts the reader, on a view of its own of
    // what the caller's view reads.
    if (!cache.textReader && following && page < doc.pageCount() && spareProcessor()) {
        TextReader::Open open;
        const std::string password = doc.password;
        if (cache.fromSource) {
            const std::string path = QFile::encodeName(doc.sourcePath).toStdString();
            open = [path, password] {
                return std::unique_ptr<poppler::document>(poppler::document::load_from_file(path, password, password));
            };
        } else {
            std::shared_ptr<const QByteArray> data = cache.data;
            open = [data, password] {
                return std::unique_ptr<poppler::document>(
                    poppler::document::load_from_raw_data(data->constData(), data->size(), password, password));
            };
        }
        const int pages = pd->pages();
        cache.textReader = std::make_shared<TextReader>(
            [open, pages] {
                std::unique_ptr<poppler::document> view = open();
                return view && !view->is_locked() && view->pages() == pages ? std::move(view) : nullptr;
            },
            option, pages, page);
    }
    if (cache.textReader)
        return cache.textReader->text(page, *pd);
    return pageText(*pd, page, option);
}

} // namespace fpe
