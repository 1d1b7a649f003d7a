// A heavy user's conversation exported as a PDF: 20,000 and 100,000 messages of a phone's usual
// lengths, every fiftieth one over many lines and a few taller than a page. Times the drawing of
// the whole PDF (its bytes handed on and dropped as they come) and reports the processor time it
// took, the memory it held beside the records (held_MB), the PDF's size and its pages. The bytes
// are digested as they pass, so that a faster build drawing another PDF is caught. held_MB is
// truest with one size a process (--benchmark_filter=/100000/).
#include "../support/ApplicationMain.h"
#include "../support/CpuTime.h"
#include "../support/OutputCheck.h"
#include "browser/ConversationPdf.h"
#include "platform/ResidentMemory.h"

#include <QApplication>
#include <QIODevice>
#include <QLocale>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <random>

namespace {

PRMessageTreeNodePtr longConversation(int messages) {
    auto conversation = std::make_shared<PRMessageTreeNode>();
    conversation->setMessageTreeNodeName("Friend 1");
    conversation->setMessageTreeNodeAdress("+1 555 011001");
    std::mt19937 gen(11);
    for (int m = 0; m < messages; ++m) {
        auto message = std::make_shared<PRMessageNode>();
        message->setMessageName("Friend 1");
        message->setMessageType(m % 3 ? "Send" : "Received");
        message->setMessageDate("03-01-2013 10:" + std::to_string(10 + m % 50));
        std::string text = "Message " + std::to_string(m) + ": see you at " + std::to_string(gen() % 24) + " " +
                           std::string(gen() % 60, 'x');
        if (m % 50 == 7)
            for (int i = 0; i < 12; ++i) text += " and then we walked on along the river";
        if (m % 5000 == 4999)
            for (int i = 0; i < 120; ++i) text += " a letter far longer than one page";
        message->setMessageContent(text);
        conversation->MessageNodeArray().push_back(message);
    }
    return conversation;
}

// Counts and digests the bytes handed to it and drops them; with QUILLOMATRIX_BENCH_PDF_FOLDER set
// it keeps them there too, for review of the pages.
class DigestingDevice : public QIODevice {
public:
    explicit DigestingDevice(const std::string& name) {
        if (const char* folder = std::getenv("QUILLOMATRIX_BENCH_PDF_FOLDER"))
            kept_.open(std::string(folder) + "/" + name + ".pdf", std::ios::binary);
        open(QIODevice::WriteOnly);
    }
    bool isSequential() const override { return true; }
    bench::OutputCheck check;
    qint64 bytes = 0, pages = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        check.add(data, size_t(size));
        if (kept_.is_open()) kept_.write(data, size);
        // Every page object of the writer, as long as none is split between two writes.
        pages += QByteArray::fromRawData(data, size).count("/Type /Page\n");
        bytes += size;
        return size;
    }

private:
    std::ofstream kept_;
};

// The PDF drawn as the transfer page draws it: inside a call its worker hands to the main thread,
// an event being delivered, where Qt keeps what is posted meanwhile otherwise than between events.
bool drawnAsThePageDoes(const PRMessageTreeNodePtr& conversation, QIODevice& out, const QLocale& locale) {
    bool drawn = false, done = false;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            drawn = conversationpdf::writeConversationPdf(conversation, out, nullptr, locale);
            done = true;
        },
        Qt::QueuedConnection);
    while (!done) QCoreApplication::sendPostedEvents();
    return drawn;
}

void ConversationPdf(benchmark::State& state) {
    // The first drawing of a process warms the text layout up; it is left out of the figures.
    if (conversationpdf::conversationPdf(longConversation(3)).isEmpty()) state.SkipWithError("no PDF");
    const PRMessageTreeNodePtr conversation = longConversation(int(state.range(0)));
    const std::string name = "conversation_pdf_" + std::to_string(state.range(0));
    const QLocale germany(QLocale::German, QLocale::Germany);
    double heldMegabytes = 0, cpuSeconds = 0, pdfBytes = 0, pages = 0;
    std::string digest;
    for (auto _ : state) {
        state.PauseTiming();
        // What the heap keeps of earlier runs is given back first, so that the peak counts this one.
        malloc_trim(0);
        const int before = residentmemory::heldMegabytes();
        const bool measured = residentmemory::restartPeak();
        const double cpuBefore = bench::processCpuSeconds();
        DigestingDevice out(name);
        state.ResumeTiming();
        const bool drawn = drawnAsThePageDoes(conversation, out, germany);
        state.PauseTiming();
        if (!drawn) state.SkipWithError("the PDF was not drawn");
        cpuSeconds += bench::processCpuSeconds() - cpuBefore;
        if (measured) heldMegabytes = std::max(heldMegabytes, double(residentmemory::peakMegabytes() - before));
        pdfBytes = double(out.bytes);
        pages = double(out.pages);
        digest = out.check.finish();
        state.ResumeTiming();
    }
    if (!bench::outputUnchanged(state, name, digest)) return;
    state.counters["cpu_s"] = cpuSeconds / double(std::max<int64_t>(1, state.iterations()));
    state.counters["held_MB"] = heldMegabytes;
    state.counters["pdf_MB"] = pdfBytes / 1e6;
    state.counters["pages"] = pages;
}

}  // namespace

BENCHMARK(ConversationPdf)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

int main(int argc, char** argv) { return bench::runInApplication(argc, argv); }
