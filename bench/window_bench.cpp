// How the window feels: start-up, the Direct pane on a large paste, the stop button, and a
// large page through "Start". Each measurement drives the real window; the numbers are
// printed, not judged (bench/window runs every mode and prints one table).
//
//   quillon-window-bench startup          build and show the window, exit at its first paint
//   quillon-window-bench direct [MB]      paste MB of source into Direct and convert it
//   quillon-window-bench stop [MB]        the same, clicking "STOP !" 100 ms into it
//   quillon-window-bench start FOLDER [MB]  an MB source through the Files pane's Start
//
// Runs under any Qt platform; without a display, QT_QPA_PLATFORM=offscreen.

#include "base/ui_hooks.h"
#include "vb6_generator.h"
#include "window/direct_pane.h"
#include "window/files_pane.h"
#include "window/frmain.h"
#include "window/pane_host.h"
#include "window/qt_services.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

const Clock::time_point processMainEntered = Clock::now();

// The window as the program builds it, with the program's own platform services.
struct Window {
    std::unique_ptr<quillon::platform::QtPlatform> platform;
    std::unique_ptr<quillon::window::FRMain> frame;

    Window() {
        frame = std::make_unique<quillon::window::FRMain>(
            quillon::window::qtServices(platform, quillon::platform::applicationFolder()));
        frame->Form_Load();
    }
};

// Records every round of event processing: the gaps between rounds are the times the window
// could not repaint or answer a click.
class EventRounds {
public:
    EventRounds() {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] { rounds_.push_back(Clock::now()); });
    }
    void start() {
        begin_ = Clock::now();
        timer_.start();
    }
    void stop() {
        end_ = Clock::now();
        timer_.stop();
    }
    std::size_t count() const { return rounds_.size(); }
    // Gaps in milliseconds, the time before the first round and after the last included.
    std::vector<double> gaps() const {
        std::vector<double> gaps;
        Clock::time_point previous = begin_;
        for (const auto& at : rounds_) {
            gaps.push_back(Ms(at - previous).count());
            previous = at;
        }
        gaps.push_back(Ms(end_ - previous).count());
        std::sort(gaps.begin(), gaps.end());
        return gaps;
    }

private:
    QTimer timer_;
    std::vector<Clock::time_point> rounds_;
    Clock::time_point begin_;
    Clock::time_point end_;
};

double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) {
        return 0;
    }
    const auto at = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(at, sorted.size() - 1)];
}

std::string sourceOf(double megabytes) {
    const auto bytes = static_cast<std::size_t>(megabytes * 1'000'000);
    std::string text;
    for (std::uint64_t seed = 1; text.size() < bytes; ++seed) {
        text += quillon::bench::generateSource(seed, quillon::bench::SourceKind::Module,
                                               std::min<std::size_t>(bytes - text.size() + 200, 200'000));
    }
    return text;
}

void printRounds(const EventRounds& rounds) {
    const std::vector<double> gaps = rounds.gaps();
    std::printf("event rounds %zu, gap median %.1f ms, 95th percentile %.1f ms, longest %.1f ms\n",
                rounds.count(), percentile(gaps, 0.5), percentile(gaps, 0.95),
                gaps.empty() ? 0.0 : gaps.back());
}

int startup() {
    const Window window;
    const Clock::time_point built = Clock::now();
    // The first paint of the window is when it is on the screen.
    class FirstPaint : public QObject {
    public:
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint && watched->isWidgetType()) {
                const auto now = Clock::now();
                std::printf("window built %.1f ms after main(), first paint %.1f ms after main()\n",
                            Ms(builtAt - processMainEntered).count(), Ms(now - processMainEntered).count());
                QCoreApplication::exit(0);
                qApp->removeEventFilter(this);
            }
            return false;
        }
        Clock::time_point builtAt;
    } firstPaint;
    firstPaint.builtAt = built;
    qApp->installEventFilter(&firstPaint);
    return QApplication::exec();
}

int direct(double megabytes, bool clickStop) {
    Window window;
    quillon::window::DirectPane& pane = window.frame->direct();
    window.frame->selectPane(quillon::window::DirectPaneIndex);
    const std::string text = sourceOf(megabytes);
    pane.TXTorigine().setPlainText(QString::fromStdString(text));
    QCoreApplication::processEvents();

    EventRounds rounds;
    Clock::time_point stopClicked{};
    QTimer stopper;
    stopper.setSingleShot(true);
    QObject::connect(&stopper, &QTimer::timeout, [&] {
        stopClicked = Clock::now();
        pane.BTstop().click();
    });
    rounds.start();
    if (clickStop) {
        stopper.start(100);
    }
    const auto start = Clock::now();
    // When the user clicks: the click waits in the queue until the window takes events.
    const auto clickDue = start + std::chrono::milliseconds(100);
    pane.BTconvert().click();
    const auto end = Clock::now();
    rounds.stop();

    std::printf("Direct, %.1f MB pasted: %.0f ms, %lld yields, output %lld characters\n",
                static_cast<double>(text.size()) / 1e6, Ms(end - start).count(),
                window.frame->uiYield().yieldsServed(),
                static_cast<long long>(pane.TXTtransform().document()->characterCount()));
    printRounds(rounds);
    if (clickStop) {
        if (stopClicked == Clock::time_point{}) {
            std::printf("STOP !: the conversion ended before the click\n");
        } else {
            std::printf(
                "STOP !: clicked at 100 ms, seen %.1f ms later, the conversion ended %.1f ms after the "
                "click\n",
                Ms(stopClicked - clickDue).count(), Ms(end - clickDue).count());
        }
    }
    return 0;
}

int start(const std::string& folder, double megabytes) {
    std::filesystem::create_directories(folder);
    const std::string source = folder + "/window-bench.bas";
    const std::string page = source + ".html";
    {
        std::ofstream out(source, std::ios::binary);
        const std::string text = sourceOf(megabytes);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    Window window;
    quillon::window::FilesPane& files = window.frame->files();
    files.TXTsource().setText(QString::fromStdString(source));
    files.TXTtarget().setText(QString::fromStdString(page));
    QCoreApplication::processEvents();

    // The cost of the yields is the difference with the same conversion that never yields
    // (and never repaints): runs of both kinds alternate, and the medians are compared.
    constexpr int Runs = 3;
    std::vector<double> yielding;
    std::vector<double> frozen;
    EventRounds rounds;
    long long yields = 0;
    bool converted = true;
    for (int run = 0; run < 2 * Runs; ++run) {
        const bool yieldsOn = run % 2 == 0;
        std::filesystem::remove(page);
        const long long servedBefore = window.frame->uiYield().yieldsServed();
        if (!yieldsOn) {
            window.frame->uiYield().setInterval(std::chrono::hours(24));
        }
        if (yieldsOn && run == 0) {
            rounds.start();
        }
        const auto begin = Clock::now();
        converted = files.BTgo_Click() && converted;
        const double took = Ms(Clock::now() - begin).count();
        if (yieldsOn && run == 0) {
            rounds.stop();
            yields = window.frame->uiYield().yieldsServed() - servedBefore;
        }
        window.frame->uiYield().setInterval(std::chrono::milliseconds(20));
        (yieldsOn ? yielding : frozen).push_back(took);
    }
    std::filesystem::remove(page);
    std::filesystem::remove(source);

    std::sort(yielding.begin(), yielding.end());
    std::sort(frozen.begin(), frozen.end());
    const double withYields = percentile(yielding, 0.5);
    const double without = percentile(frozen, 0.5);
    std::printf(
        "Start, %.0f MB source: %s in %.0f ms (%.1f MB/s) with %lld yields, %.0f ms without yields: the "
        "yields cost %.1f %%\n",
        megabytes, converted ? "converted" : "FAILED", withYields, megabytes * 1000 / withYields, yields,
        without, 100.0 * (withYields - without) / without);
    printRounds(rounds);
    return converted ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Free"));
    const std::string mode = argc > 1 ? argv[1] : "";
    const auto number = [&](int index, double fallback) {
        return argc > index ? std::atof(argv[index]) : fallback;
    };
    if (mode == "startup") {
        return startup();
    }
    if (mode == "direct" || mode == "stop") {
        return direct(number(2, 1.0), mode == "stop");
    }
    if (mode == "start" && argc > 2) {
        return start(argv[2], number(3, 50.0));
    }
    std::fprintf(stderr,
                 "usage: quillon-window-bench startup | direct [MB] | stop [MB] | start FOLDER [MB]\n");
    return 2;
}
