// Every picture, sound and effect the game can ask for exists in the built
// data folder. The names come from where the game takes them: its picture
// accessors over their whole tables, the levels file's own values run through
// the same lookups, the screens built for real, the sound and effect tables,
// and the literal names in the calls that play or show them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "game/bonuses.h"
#include "game/game_sound.h"
#include "game/level.h"
#include "game/object_cmd.h"
#include "game/scenery.h"
#include "game/scoring.h"
#include "game_support.h"
#include "res/picture_pack.h"
#include "screens/pictures.h"
#include "screens/profile_screen.h"
#include "screens/notice.h"
#include "screens/top10_screen.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = VM_TEST_DATA_DIR;

std::set<std::string>& requested() {
    static std::set<std::string> names;
    return names;
}

void recordLoad(PicturePack& pack, const std::string& name, bool, int frames, int perRow) {
    requested().insert(name);
    for (int i = 0; i < std::max(frames, 1); ++i) pack.addFrame((i % perRow) * 40, (i / perRow) * 40, 40, 40);
}

// "balls//ball_c1" lives at pic/balls/ball_c1.*.
bool pictureExists(const std::string& name) {
    std::string path;
    for (char c : name)
        if (c != '/' || path.empty() || path.back() != '/') path += c;
    for (const char* ext : {".dds", ".png"})
        if (fs::exists(kData + "/pic/" + path + ext)) return true;
    return false;
}

std::string sourceText() {
    std::string all;
    for (const auto& e : fs::recursive_directory_iterator(std::string(VM_SOURCE_DIR) + "/src")) {
        const std::string ext = e.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream in(e.path());
        std::stringstream s;
        s << in.rdbuf();
        all += s.str();
    }
    return all;
}

std::set<std::string> matches(const std::string& text, const std::string& pattern) {
    std::set<std::string> out;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        out.insert((*it)[1].str());
    return out;
}

std::vector<int> levelNumbers() {
    std::vector<int> out;
    for (int e = 0; e <= episodes(); ++e)
        for (int l = 1; l <= levelsInEpisode(e); ++l) out.push_back(e * 10 + l);
    return out;
}

}  // namespace

class DataNamesTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        resetPicturesForTests();
        requested().clear();
        setPictureLoadFunction(recordLoad);
        installPictureAccessors();
    }
    void TearDown() override {
        destroyAllActors();
        GameTest::TearDown();
        setPictureLoadFunction(nullptr);
        resetPicturesForTests();
    }
};

TEST_F(DataNamesTest, EveryPictureTheGameCanShowExists) {
    for (const char* name : kFixedPictureNames) pictureByName(name);
    for (int step = 0; step <= 34; ++step) preloadPictures(step);
    for (int i = 0; i < kBackgrounds; ++i) {
        backPicture(i);
        frontPicture(i);
        for (int k = 0; k < goldCount(i); ++k) goldPicture(i, k);
    }
    for (int i = 0; i < kMessageNameCount; ++i) messagePack(i);
    for (int i = 0; i < kButtonNameCount; ++i) buttonPicture(i);
    for (int i = 0; i < kBallNameCount; ++i) ballPicture(i);
    for (int i = 0; i < kPrismNameCount; ++i) prismPicture(i);
    for (int i = 0; i < kBonusKindCount; ++i) {
        bonusPlatePicture(i);
        bonusPlateGlowPicture(i);
    }
    for (int i = 0; i <= 1; ++i) comixPicture(i);
    for (int e = 1; e <= episodes(); ++e) {
        mapPicture(e);
        mapMarkerPicture(e);
        mapHighlightPicture(e);
    }
    for (const char* b : {"rename", "delete", "ok", "cancel"}) profileButtonPicture(b);

    // What every level of the shipped campaign names.
    const std::vector<int> levels = levelNumbers();
    ASSERT_GT(levels.size(), 80u);
    for (int n : levels) {
        ASSERT_TRUE(loadLevel(n, 0)) << n;
        gatePicture(level::Door());
        spawnGunPicture(level::SpawnGunNo());
        backPicture(level::Back());
        frontPicture(level::Back());
        lockPicture(level::Magnet());
        for (int k = 0; k < goldCount(level::Back()); ++k) goldPicture(level::Back(), k);
        for (int i = 1; i <= levelsInEpisode(n / 10); ++i) lockPicture(magnetOfLevel(i));
    }

    // The screens as they are built.
    auto* profile = new UserName;
    profile->start();
    new Top10Table;
    showSaveFailure("reason");
    destroyAllActors();

    std::vector<std::string> missing;
    for (const std::string& name : requested())
        if (!pictureExists(name)) missing.push_back(name);
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
    EXPECT_GT(requested().size(), 250u);
}

TEST_F(DataNamesTest, EverySoundAndEffectTheGameCanPlayExists) {
    const std::string source = sourceText();
    std::set<std::string> sounds = matches(
        source,
        R"re((?:playGameSound|Sound_Play|Sound_PlayLoop|SSC_Sound|setHoverSound|setClickSound|bannerSound\s*=)\s*\(?\s*"([^"%]+)")re");
    for (int kind = 0; kind < kBonusKindCount; ++kind) sounds.insert(bonusSound(kind));
    for (int type = 0; type < 14; ++type)
        for (int variant = 0; variant < 4; ++variant) sounds.insert(explosionSound(type, variant));
    // The gathering sounds rise with the combo: let the scoring play them.
    static std::set<std::string>* heard = nullptr;
    std::set<std::string> gathered;
    heard = &gathered;
    setGameSoundSpy([](const std::string& name) { heard->insert(name); });
    auto* scoring = new Scoring;
    for (int i = 0; i < 20; ++i) scoring->scoreMatch(3, 0);
    setGameSoundSpy(nullptr);
    sounds.insert(gathered.begin(), gathered.end());
    EXPECT_GT(gathered.size(), 10u);

    std::vector<std::string> missing;
    for (const std::string& s : sounds) {
        if (s.empty()) continue;
        const bool hasExt = s.find('.') != std::string::npos;
        const bool found = hasExt ? fs::exists(kData + "/sound/" + s)
                                  : fs::exists(kData + "/sound/" + s + ".ogg") || fs::exists(kData + "/sound/" + s + ".wav");
        if (!found) missing.push_back(s);
    }
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
    EXPECT_GT(sounds.size(), 40u);

    // Effects: every literal effect file, and the per-type ones for each
    // ball type.
    std::set<std::string> effects = matches(source, R"re("(fx_[A-Za-z0-9_]*\.fx)")re");
    for (const std::string& format : matches(source, R"re("(fx_[A-Za-z0-9_]*%d\.fx)")re")) {
        char name[64];
        for (int type = 0; type < 14; ++type) {
            std::snprintf(name, sizeof name, format.c_str(), type);
            effects.insert(name);
        }
    }
    missing.clear();
    for (const std::string& e : effects)
        if (!fs::exists(kData + "/fx/" + e)) missing.push_back(e);
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
    EXPECT_GT(effects.size(), 25u);
}
