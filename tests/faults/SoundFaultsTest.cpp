// The game on the real sound back end (SDL's dummy driver, a real soundfont)
// when the sound around it is broken: no device, damaged data files, a
// damaged soundfont, a program folder with blanks and Japanese characters.
// Sound trouble must never stop the game; where the sound is fine it must be
// heard, which a tap on the output shows.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "FaultSupport.h"
#include "GameFixture.h"
#include "LoadedSoundBackend.h"
#include "LoadedSoundBackendProbe.h"
#include "SoundBackendEntry.h"
#include "SoundProbes.h"
#include "SystemMultimedia.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// fluidsynth dithers its 16-bit output, so a stopped tune is not all zeros:
// a peak up to this counts as silence, one above it as something heard.
constexpr int silence = 8;

// The loudest sample the output handed to the device since the last reset.
class OutputMeter {
public:
    explicit OutputMeter(mm::SystemMultimedia& system) : system_(system) {
        mm::SoundProbes(system_).tapOutput(&OutputMeter::tap, this);
    }
    ~OutputMeter() { mm::SoundProbes(system_).tapOutput(nullptr, nullptr); }
    OutputMeter(const OutputMeter&) = delete;
    OutputMeter& operator=(const OutputMeter&) = delete;

    int peakOver(std::chrono::milliseconds span) {
        peak_.store(0);
        std::this_thread::sleep_for(span);
        return peak_.load();
    }
    // True as soon as something is heard, false after timeout.
    bool soundsWithin(std::chrono::milliseconds timeout) {
        peak_.store(0);
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            if (peak_.load() > silence) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    static void tap(void* self, const std::int16_t* samples, int frames) {
        auto* meter = static_cast<OutputMeter*>(self);
        int peak = 0;
        for (int i = 0; i < 2 * frames; ++i) peak = std::max(peak, std::abs(int{samples[i]}));
        int old = meter->peak_.load();
        while (peak > old && !meter->peak_.compare_exchange_weak(old, peak)) {
        }
    }
    mm::SystemMultimedia& system_;
    std::atomic<int> peak_{0};
};

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Lines the game wrote to stderr (Qt's platform plugin may add its own).
int zanraiLines(const std::string& err) {
    int n = 0;
    for (std::size_t at = err.find("zanrai: "); at != std::string::npos;
         at = err.find("zanrai: ", at + 1))
        if (at == 0 || err[at - 1] == '\n') ++n;
    return n;
}

std::vector<char> randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<char> bytes(n);
    for (char& b : bytes) b = static_cast<char>(gen() & 0xFF);
    return bytes;
}

// A WAV header with the given fields, claiming dataClaim bytes of samples of
// which dataHave follow.
QByteArray wavHeader(std::uint16_t format, std::uint16_t channels, std::uint32_t rate,
                     std::uint16_t bits, std::uint32_t dataClaim, std::uint32_t dataHave) {
    QByteArray w;
    auto u16 = [&](std::uint16_t v) { w.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&](std::uint32_t v) {
        u16(std::uint16_t(v & 0xFFFF)), u16(std::uint16_t(v >> 16));
    };
    const auto block = std::uint16_t(channels * bits / 8);
    w.append("RIFF"), u32(36 + dataClaim), w.append("WAVEfmt "), u32(16), u16(format),
        u16(channels);
    u32(rate), u32(rate * block), u16(block), u16(bits), w.append("data"), u32(dataClaim);
    return w.append(QByteArray(int(dataHave), '\x20'));
}

long peakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string word;
    long kib = 0;
    while (status >> word)
        if (word == "VmHWM:" && status >> kib) break;
    return kib;
}

class SoundFaults : public GameFixture {
protected:
    void SetUp() override {
        if (!real.ready()) GTEST_SKIP() << "no soundfont in /usr/share/sounds/sf2";
    }
    void TearDown() override { unload(); }

    // SDL's audio is process-wide: the old service goes before a new one.
    void unload() {
        meter.reset();
        form.reset();
        observed.reset();
        system.reset();
    }

    Form1& loadWithSystemSound(const QString& programFolder, const QByteArray& rank = "0\r\n") {
        unload();
        writeRank(rank);
        system = std::make_unique<mm::SystemMultimedia>();
        observed = std::make_unique<faults::ObservedSound>(*system);
        FormServices s = services(programFolder);
        s.multimedia = observed.get();
        form = std::make_unique<Form1>(s);
        EXPECT_TRUE(form->Form_Load());
        form->show();
        if (probe().audioAvailable()) meter.emplace(*system);
        return *form;
    }

    // Cuts the first target a number of times, then loses all three lives.
    // The effect channel is let fall silent in between: a request made while
    // an effect still sounds is dropped by design.
    void cutThenLoseEveryLife(int cuts) {
        for (int i = 0; i < cuts; ++i) click(form->Image1);
        const auto deadline = Clock::now() + 5s;
        while (probe().waitForDevice() && probe().effectSounding() && Clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        for (int i = 0; i < 3; ++i) loseALife();
    }

    bool openedWithoutError(const std::string& command) const {
        return std::any_of(observed->commands.begin(), observed->commands.end(),
                           [&](const auto& c) { return c.first == command && c.second == 0; });
    }

    mm::SoundProbes probe() const { return mm::SoundProbes(*system); }
    QString folder(const QString& name) const { return work.filePath(name); }

    testenv::RealSoundEnvironment real;
    std::unique_ptr<mm::SystemMultimedia> system;
    std::unique_ptr<faults::ObservedSound> observed;
    std::optional<OutputMeter> meter;
};

TEST_F(SoundFaults, WithNoAudioDeviceAtAllTheGamePlaysSilently) {
    faults::ScopedEnv noDevice("SDL_AUDIODRIVER", "zanrai-no-such-driver");
    ASSERT_TRUE(faults::copyDataFiles(folder(QStringLiteral("bin"))));
    testing::internal::CaptureStderr();
    Form1& f = loadWithSystemSound(folder(QStringLiteral("bin")));
    ASSERT_FALSE(probe().audioAvailable());

    f.mnustart_Click();
    cutThenLoseEveryLife(5);
    EXPECT_NE(observed->lastResult("open "), 0U) << "no device, no music";
    EXPECT_NE(observed->lastResult("play "), 0U);
    EXPECT_EQ(observed->requested("kiru.dat"), 5);
    EXPECT_EQ(observed->started("kiru.dat"), 0);
    EXPECT_EQ(observed->requested("hajiku.dat"), 2) << "the first two lives lost";
    EXPECT_EQ(rankContent(), QByteArray("5\r\n"));
    EXPECT_TRUE(fileErrors.isEmpty());
    EXPECT_EQ(f.lives, 3);

    f.mnustart_Click();
    f.mnuExit_Click();
    EXPECT_EQ(endStatus, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(zanraiLines(err), 1) << err;
    EXPECT_NE(err.find("no audio device"), std::string::npos) << err;
}

// The sound back end lies beside the program as the data files do and can be
// as broken; cut short, the dynamic loader would map it past its end and the
// program would die of a bus error; one of another version would be called
// through an entry and a vtable of another shape. One stuck while loading
// holds the loader's lock all along, and the saves of every game still go on.
TEST_F(SoundFaults, ABrokenSoundBackEndGivesOneLineAndASilentGame) {
    const std::string good = fileBytes(std::string(ZANRAI_DATA_DIR "/") + mm::soundBackendFile);
    ASSERT_GT(good.size(), 65536U);
    const std::string otherVersion = fileBytes(ZANRAI_OTHER_VERSION_BACKEND);
    enum class Kind { none, folder, fifo, file, stalled };
    // The rows that get as far as the dynamic loader come last, the stalling
    // one first: a library it keeps mapped could be handed out again for a
    // later row's file that happens to get the same inode.
    const struct {
        Kind kind;
        std::string bytes;
        const char* said;
    } cases[] = {
        {Kind::none, "", "No such file"},
        {Kind::folder, "", "not a regular file"},
        {Kind::fifo, "", "not a regular file"},
        {Kind::file, "", "too short"},
        {Kind::file, std::string(200, 'x'), "not a shared object"},
        {Kind::file, good.substr(0, 4096), "cut short"},
        {Kind::file, good.substr(0, 65536), "cut short"},
        {Kind::file, good.substr(0, 18) + "\xB7" + good.substr(19), "another kind of processor"},
        {Kind::stalled, fileBytes(ZANRAI_BACKEND_STALLING), "returned no sound service"},
        {Kind::file, fileBytes(ZANRAI_BACKEND_WITHOUT_SERVICE), "returned no sound service"},
        {Kind::file, otherVersion, mm::soundBackendEntry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said + (" " + std::to_string(c.bytes.size())));
        const QString bin = folder(QStringLiteral("bin"));
        QDir(bin).removeRecursively();
        ASSERT_TRUE(faults::copyDataFiles(bin));
        const std::string path = QFile::encodeName(bin).toStdString() + '/' + mm::soundBackendFile;
        const int made = c.kind == Kind::folder ? ::mkdir(path.c_str(), 0700)
                         : c.kind == Kind::fifo ? ::mkfifo(path.c_str(), 0600)
                                                : 0;
        ASSERT_EQ(made, 0);
        if (c.kind >= Kind::file) std::ofstream(path, std::ios::binary) << c.bytes;
        const QString release = folder(QStringLiteral("release"));
        QFile::remove(release);
        const faults::ScopedEnv stall("ZANRAI_TEST_STALL_UNTIL", release.toStdString());
        testing::internal::CaptureStderr();
        {
            mm::LoadedSoundBackend backEnd(path);
            writeRank("0\r\n");
            FormServices services = this->services(bin);
            services.multimedia = &backEnd;
            form = std::make_unique<Form1>(services);
            ASSERT_TRUE(form->Form_Load());
            form->show();
            backEnd.beginLoading();
            ASSERT_TRUE(c.kind != Kind::stalled ||
                        QTest::qWaitFor([&] { return QFile::exists(release + ".loading"); }));
            // While the back end loads, an effect is dropped at once.
            EXPECT_TRUE(c.kind != Kind::stalled ||
                        backEnd.playSound(QFile::encodeName(bin).toStdString() + "/kiru.dat", 0) ==
                            0);
            for (const int score : {1, 2}) {
                form->mnustart_Click();
                for (int i = 0; i < score; ++i) click(form->Image1);
                EXPECT_TRUE(c.kind == Kind::stalled ||
                            !mm::LoadedSoundBackendProbe::settle(backEnd));
                for (int i = 0; i < 3; ++i) loseALife();
                EXPECT_EQ(rankContent(), QByteArray::number(score) + "\r\n");
            }
            form->mnuExit_Click();
            EXPECT_EQ(endStatus, 0);
            form.reset();
            QFile(release).open(QIODevice::WriteOnly);
            EXPECT_TRUE(backEnd.finish(10s));
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(zanraiLines(err), 1) << err;
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
}

TEST_F(SoundFaults, ADamagedTuneOrCutSoundLeavesTheGameAndTheOtherSoundsWorking) {
    enum class Damage { missing, empty, randomBytes, headerThenGarbage };
    struct Case {
        const char* file;
        Damage damage;
    };
    const Case cases[] = {
        {"bgm.dat", Damage::missing},      {"bgm.dat", Damage::empty},
        {"bgm.dat", Damage::randomBytes},  {"bgm.dat", Damage::headerThenGarbage},
        {"kiru.dat", Damage::missing},     {"kiru.dat", Damage::empty},
        {"kiru.dat", Damage::randomBytes}, {"kiru.dat", Damage::headerThenGarbage},
    };
    int index = 0;
    for (const Case& c : cases) {
        const bool tune = std::string_view(c.file) == "bgm.dat";
        SCOPED_TRACE(std::string(c.file) + " damage #" + std::to_string(int(c.damage)));
        const QString bin = folder(QStringLiteral("bin%1").arg(index++));
        ASSERT_TRUE(faults::copyDataFiles(bin));
        const QString damaged = bin + QLatin1Char('/') + QLatin1String(c.file);
        ASSERT_TRUE(QFile::remove(damaged));
        if (c.damage != Damage::missing) {
            QFile out(damaged);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            if (c.damage == Damage::headerThenGarbage) {
                // A header that passes the first checks, then noise: what a
                // file cut short or overwritten in the middle looks like.
                out.write(tune ? QByteArray("MThd\0\0\0\x06\0\x01\0\x01\x01\xE0MTrk\0\0\x10\0", 22)
                               : QByteArray("RIFF\xFF\x0F\0\0WAVEfmt ", 16));
            }
            if (c.damage != Damage::empty) {
                const std::vector<char> noise = randomBytes(4096, 1234U + unsigned(index));
                out.write(noise.data(), static_cast<qint64>(noise.size()));
            }
        }

        Form1& f = loadWithSystemSound(bin);
        ASSERT_TRUE(probe().audioAvailable());
        f.mnustart_Click();
        if (tune) {
            if (c.damage != Damage::headerThenGarbage) {
                EXPECT_NE(observed->lastResult("open "), 0U);
                EXPECT_NE(observed->lastResult("play "), 0U);
                EXPECT_LE(meter->peakOver(300ms), silence) << "nothing to hear without the tune";
            } else {
                // The synthesizer reads the noise while it plays: give it time.
                std::this_thread::sleep_for(500ms);
            }
        } else {
            EXPECT_EQ(observed->lastResult("open "), 0U);
            EXPECT_EQ(observed->lastResult("play "), 0U);
            EXPECT_TRUE(meter->soundsWithin(3000ms)) << "the tune is heard";
        }
        cutThenLoseEveryLife(3);
        std::cout << "[ info ] " << c.file << " damage #" << int(c.damage) << ": open "
                  << observed->lastResult("open ").value_or(~0U) << ", cut sounds started "
                  << observed->started("kiru.dat") << '/' << observed->requested("kiru.dat")
                  << '\n';
        if (tune) {
            EXPECT_GE(observed->started("kiru.dat"), 1) << "the cut sound still plays";
        } else {
            EXPECT_EQ(observed->requested("kiru.dat"), 3);
            EXPECT_EQ(observed->started("kiru.dat"), 0);
        }
        EXPECT_GE(observed->started("hajiku.dat"), 1) << "the deflect sound still plays";
        EXPECT_EQ(rankContent(), QByteArray("3\r\n"));
        EXPECT_TRUE(fileErrors.isEmpty());
        EXPECT_FALSE(endStatus.has_value());
        EXPECT_EQ(f.lives, 3);
        EXPECT_FALSE(f.Timer1->enabled());
    }
}

TEST_F(SoundFaults, MusicPlaysFromAProgramFolderWithBlanksAndJapaneseCharacters) {
    const QString bin = folder(QStringLiteral("ゲーム フォルダ/斬雷 v2"));
    ASSERT_TRUE(faults::copyDataFiles(bin));
    // Above 150, so the special mode and its own tune can be chosen too.
    Form1& f = loadWithSystemSound(bin, "200\r\n");
    ASSERT_TRUE(probe().audioAvailable());
    EXPECT_LE(meter->peakOver(200ms), silence) << "silent before Start";

    f.mnustart_Click();
    const std::string folderBytes = QFile::encodeName(bin).toStdString();
    EXPECT_TRUE(
        openedWithoutError("open " + folderBytes + "/bgm.dat type sequencer alias midifile"))
        << "the tune opens from the folder with blanks";
    EXPECT_EQ(observed->lastResult("play "), 0U);
    EXPECT_TRUE(meter->soundsWithin(3000ms)) << "the tune is heard";

    f.mnuRst_Click();
    // The music already rendered ahead (46 ms at most) plays out, then the
    // 20 ms fade.
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(meter->peakOver(300ms), silence) << "Reset silences the tune";

    f.mnuUra_Click();
    f.mnustart_Click();
    EXPECT_TRUE(
        openedWithoutError("open " + folderBytes + "/bgm2.dat type sequencer alias midifile"));
    EXPECT_EQ(observed->lastResult("play "), 0U);
    EXPECT_TRUE(meter->soundsWithin(3000ms)) << "the special tune is heard";
    click(f.Image1);
    EXPECT_EQ(observed->started("kiru.dat"), 1) << "the cut sound from the same folder";

    f.mnuExit_Click();
    EXPECT_EQ(observed->lastResult("close "), 0U);
    EXPECT_EQ(endStatus, 0);
}

TEST_F(SoundFaults, AnUnreadableSoundfontTurnsOnlyTheMusicOff) {
    const QString bin = folder(QStringLiteral("bin"));
    ASSERT_TRUE(faults::copyDataFiles(bin));
    const QString font = folder(QStringLiteral("broken.sf2"));
    {
        QFile out(font);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        const std::vector<char> noise = randomBytes(std::size_t{64} * 1024, 99U);
        out.write("RIFF", 4);
        out.write(noise.data(), static_cast<qint64>(noise.size()));
    }
    faults::ScopedEnv brokenFont("ZANRAI_SOUNDFONT", font.toStdString());
    testing::internal::CaptureStderr();
    Form1& f = loadWithSystemSound(bin);
    ASSERT_TRUE(probe().audioAvailable());
    f.mnustart_Click();
    EXPECT_NE(observed->lastResult("open "), 0U);
    cutThenLoseEveryLife(2);
    EXPECT_GE(observed->started("kiru.dat"), 1);
    EXPECT_EQ(rankContent(), QByteArray("2\r\n"));
    unload();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(zanraiLines(err), 1) << err;
    EXPECT_NE(err.find("soundfont"), std::string::npos) << err;
}

TEST_F(SoundFaults, AFifoOrDeviceAsADataFileIsSilentAndNeverHangs) {
    const QString bin = folder(QStringLiteral("bin"));
    ASSERT_TRUE(faults::copyDataFiles(bin));
    const std::string dir = QFile::encodeName(bin).toStdString();
    // Opened for reading, each of these would wait for a writer forever.
    for (const char* name : {"bgm.dat", "hajiku.dat"}) {
        ASSERT_EQ(::unlink((dir + '/' + name).c_str()), 0);
        ASSERT_EQ(::mkfifo((dir + '/' + name).c_str(), 0600), 0);
    }
    ASSERT_EQ(::unlink((dir + "/kiru.dat").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/zero", (dir + "/kiru.dat").c_str()), 0);
    // A link to a good tune still plays.
    ASSERT_EQ(::unlink((dir + "/bgm2.dat").c_str()), 0);
    ASSERT_EQ(::symlink(ZANRAI_DATA_DIR "/bgm2.dat", (dir + "/bgm2.dat").c_str()), 0);
    testing::internal::CaptureStderr();
    Form1& f = loadWithSystemSound(bin, "200\r\n");
    f.mnustart_Click();
    EXPECT_NE(observed->lastResult("open "), 0U);
    cutThenLoseEveryLife(3);
    f.mnustart_Click();
    cutThenLoseEveryLife(3);
    EXPECT_EQ(observed->started("kiru.dat"), 0);
    EXPECT_EQ(observed->started("hajiku.dat"), 0);
    EXPECT_EQ(rankContent(), QByteArray("200\r\n"));

    f.mnuUra_Click();
    f.mnustart_Click();
    EXPECT_EQ(observed->lastResult("open "), 0U);
    EXPECT_TRUE(meter->soundsWithin(3000ms)) << "the linked tune is heard";
    unload();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(zanraiLines(err), 3) << "one line per file, however often it is asked for\n" << err;
    EXPECT_NE(err.find("bgm.dat: not a regular file"), std::string::npos) << err;
}

TEST_F(SoundFaults, OversizedAndHostileEffectsAreSilentAndTriedOncePerVersion) {
    const QString bin = folder(QStringLiteral("bin"));
    ASSERT_TRUE(faults::copyDataFiles(bin));
    {
        // A valid header in front of a sparse gigabyte: refused unread.
        QFile huge(bin + QStringLiteral("/hajiku.dat"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
        huge.write(wavHeader(1, 1, 22050, 16, (1U << 30) - 44, 0));
        ASSERT_TRUE(huge.resize(qint64(1) << 30));
    }
    const QByteArray hostile[] = {
        wavHeader(1, 1, 1, 16, 4000, 4000),          // 1 Hz: a negative allocation in SDL
        wavHeader(1, 0, 22050, 16, 4000, 4000),      // no channel
        wavHeader(1, 6, 22050, 16, 4800, 4800),      // surround
        wavHeader(1, 1, 22050, 24, 4800, 4800),      // 24 bits
        wavHeader(3, 1, 22050, 32, 4000, 4000),      // floating point
        wavHeader(1, 1, 22050, 16, 1U << 30, 4000),  // samples past the end
    };
    testing::internal::CaptureStderr();
    Form1& f = loadWithSystemSound(bin, "999\r\n");
    const long rssBefore = peakRssKiB();
    f.mnustart_Click();
    EXPECT_TRUE(meter->soundsWithin(3000ms)) << "the tune is heard";
    int version = 0;
    for (const QByteArray& header : hostile) {
        QFile kiru(bin + QStringLiteral("/kiru.dat"));
        ASSERT_TRUE(kiru.open(QIODevice::WriteOnly | QIODevice::Truncate));
        // Sizes differ, so each version has its own stamp even within one
        // tick of the file system's clock.
        kiru.write(header + QByteArray(++version, '\0'));
        kiru.close();
        for (int i = 0; i < 3; ++i) click(f.Image1);
    }
    for (int i = 0; i < 2; ++i) loseALife();
    EXPECT_EQ(observed->requested("kiru.dat"), 3 * int(std::size(hostile)));
    EXPECT_EQ(observed->started("kiru.dat"), 0);
    EXPECT_EQ(observed->requested("hajiku.dat"), 2);
    EXPECT_EQ(observed->started("hajiku.dat"), 0);
    EXPECT_LT(peakRssKiB() - rssBefore, 64 * 1024) << "the gigabyte was not read";
    unload();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(zanraiLines(err), int(std::size(hostile)) + 1) << "one line per version of a file\n"
                                                             << err;
    EXPECT_NE(err.find("hajiku.dat: file too large"), std::string::npos) << err;
}

}  // namespace
