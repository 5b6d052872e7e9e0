#include <gtest/gtest.h>

#include "audio/SoundSettings.h"
#include "platform/core/FileManager.h"
#include "platform/core/UserDefaults.h"

#include <cstdlib>
#include <string>

using namespace audio;

namespace {

class TempStore {
public:
    TempStore()
    {
        char pattern[] = "/tmp/beatstrip-sound-XXXXXX";
        m_dir = mkdtemp(pattern);
    }
    ~TempStore() { core::files::removeItemAtPath(m_dir); }
    std::shared_ptr<core::UserDefaults> open() const { return core::UserDefaults::open(m_dir + "/settings.sqlite"); }

private:
    std::string m_dir;
};

}

TEST(SoundSettingsTest, DefaultsThenChoicesSurviveReopeningTheStore)
{
    TempStore dir;
    {
        auto store = dir.open();
        const SoundSettings fresh = SoundSettings::load(*store);
        EXPECT_FALSE(fresh.click);
        EXPECT_FALSE(fresh.countIn);
        EXPECT_FALSE(fresh.notes);
        EXPECT_DOUBLE_EQ(fresh.volume, 0.8);
        EXPECT_DOUBLE_EQ(fresh.offsetMs, 0);

        SoundSettings chosen;
        chosen.click = true;
        chosen.countIn = true;
        chosen.notes = true;
        chosen.volume = 0.35;
        chosen.offsetMs = -42.5;
        ASSERT_TRUE(chosen.save(*store));
    }
    auto reopened = dir.open();
    const SoundSettings loaded = SoundSettings::load(*reopened);
    EXPECT_TRUE(loaded.click);
    EXPECT_TRUE(loaded.countIn);
    EXPECT_TRUE(loaded.notes);
    EXPECT_DOUBLE_EQ(loaded.volume, 0.35);
    EXPECT_DOUBLE_EQ(loaded.offsetMs, -42.5);
}

TEST(SoundSettingsTest, KeysCannotBeSongNamesAndBadValuesFallBack)
{
    for (const char* key : { SoundSettings::kClickKey, SoundSettings::kCountInKey, SoundSettings::kNotesKey,
             SoundSettings::kVolumeKey, SoundSettings::kOffsetKey })
        EXPECT_NE(std::string(key).find('/'), std::string::npos) << key;

    TempStore dir;
    auto store = dir.open();
    store->setObject("yes", SoundSettings::kClickKey);
    store->setObject(1, SoundSettings::kNotesKey);
    store->setObject(7.5, SoundSettings::kVolumeKey);
    store->setObject(-900, SoundSettings::kOffsetKey);
    store->setObject(core::Json::array(), SoundSettings::kCountInKey);
    const SoundSettings s = SoundSettings::load(*store);
    EXPECT_FALSE(s.click);
    EXPECT_FALSE(s.notes);
    EXPECT_FALSE(s.countIn);
    EXPECT_DOUBLE_EQ(s.volume, 1.0);
    EXPECT_DOUBLE_EQ(s.offsetMs, -200);
}
