// Ten thousand scripted games through the window's handlers. Every game is
// checked (score, best score, rank.dat, the idle state after it), and memory
// must not grow once the first games have warmed up Qt's caches: the live
// heap is measured exactly, and the resident size within a bound.

#include <gtest/gtest.h>

#include <unistd.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <random>

#include "Form1.h"
#include "FormSurface.h"
#include "RankFile.h"
#include "RecordingMultimedia.h"
#include "SequencerCommands.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime; g++ ships no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
// Freed blocks are kept aside (256 MB by default) to catch uses after free;
// a small quarantine fills during the warm-up, so that resident memory
// measured afterwards is the game's own.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=4"; }
#else
#include <malloc.h>
#endif

namespace {

// Bytes of heap in use right now.
std::size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t total = 0, resident = 0;
    statm >> total >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// A sequencer that keeps only what is open and playing, so that the back end
// itself does not grow over thousands of games.
class TallyDevice final : public mm::SequencerDevice {
public:
    mm::SeqError open(const std::string&, const std::vector<std::uint8_t>&,
                      Handle& handle) override {
        handle = next_++;
        playing_[handle] = false;
        return mm::SeqError::None;
    }
    mm::SeqError play(Handle handle) override { return set(handle, true); }
    mm::SeqError stop(Handle handle) override { return set(handle, false); }
    void close(Handle handle) override { playing_.erase(handle); }

    std::size_t openCount() const { return playing_.size(); }
    bool anyPlaying() const {
        for (const auto& [handle, on] : playing_)
            if (on) return true;
        return false;
    }

private:
    mm::SeqError set(Handle handle, bool on) {
        const auto it = playing_.find(handle);
        if (it == playing_.end()) return mm::SeqError::AliasNotOpen;
        it->second = on;
        return mm::SeqError::None;
    }
    std::map<Handle, bool> playing_;
    Handle next_ = 1;
};

// Counts requests instead of keeping them; runs the real command interpreter.
class TallyMultimedia final : public mm::MultimediaService {
public:
    TallyMultimedia()
        : interpreter_(device_, [](const std::string&, std::vector<std::uint8_t>& bytes) {
              bytes = mm::RecordingMultimedia::minimalMidiFile();
              return mm::SeqError::None;
          }) {}

    std::uint32_t sendString(std::string_view command) override {
        ++commands;
        const std::uint32_t result = mm::toCode(interpreter_.execute(command));
        const bool mustWork = command.starts_with("open ") || command.starts_with("play ");
        if (mustWork && result != 0) ++failures;
        return result;
    }
    std::int32_t playSound(std::string_view, std::uint32_t) override {
        ++sounds;
        return 1;
    }

    const TallyDevice& device() const { return device_; }
    long commands = 0, sounds = 0, failures = 0;

private:
    TallyDevice device_;
    mm::SequencerInterpreter interpreter_;
};

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        QFile rank(work.filePath(QStringLiteral("rank.dat")));
        ASSERT_TRUE(rank.open(QIODevice::WriteOnly));
        rank.write("0\r\n");
        rank.close();

        FormServices s;
        s.multimedia = &sound;
        s.programFolder = QStringLiteral("/opt/zanrai");
        s.rankFolder = work.path();
        s.messageBox = [this](const QString& text, const QString&) {
            ++boxes;
            if (text != QStringLiteral("無念…。")) ++oddBoxes;
        };
        s.fileError = [this](const QString&) { ++fileErrors; };
        s.beep = [this] { ++beeps; };
        s.endProgram = [this](int) { ++ends; };
        form = std::make_unique<Form1>(s);
        ASSERT_TRUE(form->Form_Load());
        form->show();
    }

    // Where the player sees the image, on the form's surface.
    static void click(kit::ImageControl* image) {
        QTest::mouseClick(image->surface(), Qt::LeftButton, {}, image->geometry().center());
    }

    bool playing() const { return form->Timer1->enabled(); }

    // One game, scripted by gen: ticks, cuts, bonus cuts, now and then a
    // Reset or a second Start, then every life lost. Returns the score the
    // game should have ended with.
    int playOneGame(std::mt19937& gen) {
        Form1& f = *form;
        std::uniform_int_distribution<int> percent(0, 99), steps(5, 30), target(0, 4);
        const auto& targets = f.targets;
        f.mnustart_Click();
        int expected = 0;
        bool bonus = true, hidden = true;
        const int n = steps(gen) + (percent(gen) < 2 ? 150 : 0);
        for (int step = 0; step < n && playing(); ++step) {
            const int r = percent(gen);
            if (r < 35) {
                f.Timer1_Timer();
                if (step % 4 == 0) f.Timer2_Timer();
                f.Timer3_Timer();
            } else if (r < 80) {
                click(targets[target(gen)]);
                ++expected;
            } else if (r < 85) {
                click(f.Image6);
                if (bonus) expected += 10 * f.levelNumber;
                bonus = false;
            } else if (r < 90) {
                click(f.Image9);
                if (hidden) expected += 10 * f.levelNumber;
                hidden = false;
            } else if (r < 92) {
                f.mnuRst_Click();
                expected = 0;
                f.mnustart_Click();
                bonus = hidden = true;
            } else if (r < 94) {
                // Start again mid-game: both characters can be cut again.
                f.mnustart_Click();
                bonus = hidden = true;
            } else {
                QCoreApplication::processEvents();
            }
        }
        // The rest of the lives go at once: a target is put past the limit.
        while (playing()) {
            f.Image3->setTop(3000.0F);
            f.Timer3_Timer();
        }
        return expected;
    }

    // Plays games and checks each; false as soon as one went wrong.
    bool playGames(int count, std::mt19937& gen) {
        for (int i = 0; i < count; ++i) {
            const int boxesBefore = boxes;
            const int score = playOneGame(gen);
            best = std::max(best, score);
            ++played;
            const Form1& f = *form;
            const bool ok = boxes == boxesBefore + 1 && oddBoxes == 0 && fileErrors == 0 &&
                            ends == 0 && f.highScore == best && f.score == 0 && f.lives == 3 &&
                            f.Label9->caption() == QStringLiteral("3") && !f.Timer1->enabled() &&
                            !f.Image1->isEnabled() && sound.failures == 0 &&
                            sound.device().openCount() == 1 && !sound.device().anyPlaying();
            if (!ok) {
                ADD_FAILURE() << "game " << played << ": score " << f.score << ", best "
                              << comparable(f.highScore) << " (expected " << best << "), lives "
                              << f.lives << ", boxes " << boxes << ", errors " << fileErrors
                              << ", sound failures " << sound.failures << ", open tunes "
                              << sound.device().openCount();
                return false;
            }
            // rank.dat is checked now and then; every game saved it.
            if (played % 97 == 0 &&
                (!QTest::qWaitFor([&] { return !form->savesPending(); }, 30000) ||
                 rankfile::read(rankPath()).highScore != best)) {
                ADD_FAILURE() << "game " << played << ": rank.dat does not hold " << best;
                return false;
            }
        }
        return true;
    }

    QString rankPath() const { return work.filePath(QStringLiteral("rank.dat")); }

    QTemporaryDir work;
    TallyMultimedia sound;
    std::unique_ptr<Form1> form;
    int boxes = 0, oddBoxes = 0, fileErrors = 0, beeps = 0, ends = 0, played = 0, best = 0;
};

TEST_F(Soak, TenThousandScriptedGamesKeepWorkingAndDoNotGrow) {
    constexpr int warmUp = 1000, games = 10000;
    std::mt19937 gen(7U);
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(playGames(warmUp, gen));
    QCoreApplication::processEvents();
    const std::size_t heap0 = heapInUse(), rss0 = residentBytes();

    ASSERT_TRUE(playGames(games - warmUp, gen));
    QCoreApplication::processEvents();
    const std::size_t heap1 = heapInUse(), rss1 = residentBytes();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    const auto growth = [](std::size_t before, std::size_t after) {
        return static_cast<long long>(after) - static_cast<long long>(before);
    };
    std::cout << "[ info ] " << played << " games in " << seconds << " s; best " << best
              << "; heap " << heap0 << " -> " << heap1 << " (" << growth(heap0, heap1)
              << "), resident " << rss0 << " -> " << rss1 << " (" << growth(rss0, rss1) << "); "
              << sound.commands << " commands, " << sound.sounds << " sounds\n";
    EXPECT_EQ(played, games);
    EXPECT_EQ(beeps, games);
    EXPECT_EQ(rankfile::read(rankPath()).highScore, HighScore{best});
    // 9,000 games after the warm-up: a leak of even a few bytes a game shows.
    EXPECT_LT(growth(heap0, heap1), 64 * 1024) << "the live heap grew";
    EXPECT_LT(growth(rss0, rss1), 4 * 1024 * 1024) << "resident memory grew";
}

}  // namespace
