#include "WavePlayer.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "MultimediaService.h"

namespace {

using mm::SND_ASYNC;
using mm::SND_NODEFAULT;
using mm::SND_NOSTOP;

constexpr std::uint32_t kGameFlags = SND_ASYNC | SND_NODEFAULT | SND_NOSTOP;

// An effect channel whose clips end only when the test says so.
class FakeOutput final : public mm::EffectOutput {
public:
    struct Clip final : mm::DecodedClip {
        explicit Clip(std::string p) : path(std::move(p)) {}
        std::string path;
    };

    std::unique_ptr<mm::DecodedClip> decode(const std::string& path) override {
        ++decodes[path];
        if (files.count(path) == 0) return nullptr;
        return std::make_unique<Clip>(path);
    }
    bool start(const mm::DecodedClip& clip) override {
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

    std::set<std::string> files;
    std::map<std::string, int> decodes;
    std::vector<std::string> started;
    std::string current;
    int waits = 0;
};

class WavePolicy : public ::testing::Test {
protected:
    FakeOutput out;
    mm::WavePlayer player{out};
    void SetUp() override { out.files = {"hit.wav", "miss.wav"}; }
};

TEST_F(WavePolicy, NoStopDropsARequestWhileAnEffectSoundsAndKeepsTheFirst) {
    EXPECT_NE(player.play("hit.wav", kGameFlags), 0);
    EXPECT_EQ(player.play("miss.wav", kGameFlags), 0);
    EXPECT_EQ(out.current, "hit.wav");
    EXPECT_EQ(out.started, std::vector<std::string>{"hit.wav"});
    EXPECT_EQ(out.decodes.count("miss.wav"), 0u) << "a dropped request decodes nothing";
    out.current.clear();  // the hit has finished
    EXPECT_NE(player.play("miss.wav", kGameFlags), 0);
    EXPECT_EQ(out.current, "miss.wav");
}

TEST_F(WavePolicy, WithoutNoStopANewRequestCutsTheOldOne) {
    EXPECT_NE(player.play("hit.wav", SND_ASYNC), 0);
    EXPECT_NE(player.play("miss.wav", SND_ASYNC), 0);
    EXPECT_EQ(out.current, "miss.wav");
    EXPECT_EQ(out.started, (std::vector<std::string>{"hit.wav", "miss.wav"}));
}

TEST_F(WavePolicy, MissingFilesAreSilentAndLeaveTheCurrentEffect) {
    EXPECT_NE(player.play("hit.wav", SND_ASYNC), 0);
    EXPECT_EQ(player.play("gone.wav", SND_ASYNC | SND_NODEFAULT), 0);
    EXPECT_EQ(player.play("gone.wav", SND_ASYNC), 0);
    EXPECT_EQ(out.current, "hit.wav");
    EXPECT_EQ(out.started.size(), 1u);
}

TEST_F(WavePolicy, AsyncNeverWaitsAndSyncWaitsForTheEnd) {
    EXPECT_NE(player.play("hit.wav", kGameFlags), 0);
    EXPECT_EQ(out.waits, 0);
    EXPECT_TRUE(out.sounding());
    out.current.clear();
    EXPECT_NE(player.play("hit.wav", SND_NODEFAULT), 0);
    EXPECT_EQ(out.waits, 1);
}

TEST_F(WavePolicy, EachFileIsDecodedOnceButFailuresAreRetried) {
    for (int i = 0; i < 5; ++i) {
        player.play("hit.wav", SND_ASYNC);
        player.play("gone.wav", SND_ASYNC);
    }
    EXPECT_EQ(out.decodes["hit.wav"], 1);
    EXPECT_EQ(out.decodes["gone.wav"], 5);
    EXPECT_EQ(player.cachedCount(), 1u);
    out.files.insert("gone.wav");
    EXPECT_NE(player.play("gone.wav", SND_ASYNC), 0) << "a file that appears later plays";
}

TEST_F(WavePolicy, PreloadFillsTheCacheAndEmptyNameStops) {
    EXPECT_TRUE(player.preload("miss.wav"));
    EXPECT_FALSE(player.preload("gone.wav"));
    EXPECT_FALSE(player.preload(""));
    EXPECT_NE(player.play("miss.wav", SND_ASYNC), 0);
    EXPECT_EQ(out.decodes["miss.wav"], 1);
    EXPECT_NE(player.play("", SND_ASYNC), 0);
    EXPECT_FALSE(out.sounding());
    player.clear();
    EXPECT_EQ(player.cachedCount(), 0u);
}

}  // namespace
