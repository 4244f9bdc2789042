#include "WavePlayer.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "MultimediaService.h"
#include "SoundTestFiles.h"

namespace {

using mm::SND_ASYNC;
using mm::SND_NODEFAULT;
using mm::SND_NOSTOP;

constexpr std::uint32_t gameFlags = SND_ASYNC | SND_NODEFAULT | SND_NOSTOP;

// An effect channel whose clips end only when the test says so.
class FakeOutput final : public mm::EffectOutput {
public:
    struct Clip final : mm::DecodedClip {
        explicit Clip(std::string p) : path(std::move(p)) {}
        std::string path;
    };

    std::unique_ptr<mm::DecodedClip> decode(const std::string& path,
                                            const std::vector<std::uint8_t>&) override {
        ++decodes[path];
        if (refused.count(path) != 0) return nullptr;
        return std::make_unique<Clip>(path);
    }
    bool play(const mm::DecodedClip& clip) override {
        current = static_cast<const Clip&>(clip).path;
        started.push_back(current);
        return true;
    }
    bool sounding() const override { return !current.empty(); }
    void halt() override { current.clear(); }
    void waitUntilSilent() override {
        ++waits;
        current.clear();  // as if the wait lasted until the end of the clip
    }

    std::set<std::string> refused;
    std::map<std::string, int> decodes;
    std::vector<std::string> started;
    std::string current;
    int waits = 0;
};

class WavePolicy : public ::testing::Test {
protected:
    soundtest::TempDir dir;
    const std::string hit = dir.write("hit.wav", soundtest::squareWav(50));
    const std::string miss = dir.write("miss.wav", soundtest::squareWav(80));
    const std::string gone = dir.path() + "/gone.wav";
    FakeOutput out;
    mm::WavePlayer player{out};
};

TEST_F(WavePolicy, NoStopDropsARequestWhileAnEffectSoundsAndKeepsTheFirst) {
    EXPECT_NE(player.play(hit, gameFlags), 0);
    EXPECT_EQ(player.play(miss, gameFlags), 0);
    EXPECT_EQ(out.current, hit);
    EXPECT_EQ(out.started, std::vector<std::string>{hit});
    EXPECT_EQ(out.decodes.count(miss), 0u) << "a dropped request decodes nothing";
    out.current.clear();  // the hit has finished
    EXPECT_NE(player.play(miss, gameFlags), 0);
    EXPECT_EQ(out.current, miss);
}

TEST_F(WavePolicy, WithoutNoStopANewRequestCutsTheOldOne) {
    EXPECT_NE(player.play(hit, SND_ASYNC), 0);
    EXPECT_NE(player.play(miss, SND_ASYNC), 0);
    EXPECT_EQ(out.current, miss);
    EXPECT_EQ(out.started, (std::vector<std::string>{hit, miss}));
}

TEST_F(WavePolicy, MissingFilesAreSilentAndLeaveTheCurrentEffect) {
    EXPECT_NE(player.play(hit, SND_ASYNC), 0);
    EXPECT_EQ(player.play(gone, SND_ASYNC | SND_NODEFAULT), 0);
    EXPECT_EQ(player.play(gone, SND_ASYNC), 0);
    EXPECT_EQ(out.current, hit);
    EXPECT_EQ(out.started.size(), 1u);
}

TEST_F(WavePolicy, AsyncNeverWaitsAndSyncWaitsForTheEnd) {
    EXPECT_NE(player.play(hit, gameFlags), 0);
    EXPECT_EQ(out.waits, 0);
    EXPECT_TRUE(out.sounding());
    out.current.clear();
    EXPECT_NE(player.play(hit, SND_NODEFAULT), 0);
    EXPECT_EQ(out.waits, 1);
}

TEST_F(WavePolicy, EachFileIsDecodedOnceAndAFailedFileOnceUntilItChanges) {
    const std::string refused = dir.write("refused.wav", soundtest::squareWav(40));
    const std::string hostile = dir.write("hostile.wav", soundtest::squareWav(40, 1));
    out.refused.insert(refused);
    for (int i = 0; i < 5; ++i) {
        for (const std::string& p : {hit, gone, refused, hostile}) player.play(p, SND_ASYNC);
    }
    EXPECT_EQ(out.decodes[hit], 1);
    EXPECT_EQ(out.decodes[refused], 1) << "a broken file costs one attempt";
    EXPECT_EQ(out.decodes.count(gone), 0u);
    EXPECT_EQ(out.decodes.count(hostile), 0u) << "a 1 Hz header never reaches the decoder";

    out.refused.clear();
    dir.write("refused.wav", soundtest::squareWav(60));
    EXPECT_NE(player.play(refused, SND_ASYNC), 0) << "a repaired file plays";
    dir.write("gone.wav", soundtest::squareWav(60));
    EXPECT_NE(player.play(gone, SND_ASYNC), 0) << "a file that appears later plays";
}

TEST_F(WavePolicy, PreloadFillsTheCacheAndEmptyNameStops) {
    EXPECT_TRUE(player.preload(miss));
    EXPECT_FALSE(player.preload(gone));
    EXPECT_FALSE(player.preload(""));
    EXPECT_NE(player.play(miss, SND_ASYNC), 0);
    EXPECT_EQ(out.decodes[miss], 1);
    EXPECT_NE(player.play("", SND_ASYNC), 0);
    EXPECT_FALSE(out.sounding());
    player.clear();
    EXPECT_NE(player.play(miss, SND_ASYNC), 0);
    EXPECT_EQ(out.decodes[miss], 2) << "a cleared clip is decoded anew";
}

}  // namespace
