// The two characters the tutor ships, as installed in the build's data directory.

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <set>
#include <string_view>

#include "character/qtagent/qt_agent.h"
#include "character/qtagent/qt_agent_character.h"

namespace {

TEST(ShippedCharacters, BothLoadWithNamesOfTheirOwnAndPlayEveryAnimation) {
    const std::string folder = QUORVAN_CHARACTER_DIR;
    for (const char* file : {"merlin.acs", "Genie.acs"}) {
        if (!std::filesystem::exists(folder + "/" + file)) {
            GTEST_SKIP() << file << " is not drawn yet";
        }
    }
    QtCharacterAgent agent(folder);
    std::vector<std::u16string> names;
    for (const char16_t* file : {u"merlin.acs", u"Genie.acs"}) {
        long id = 0;
        ASSERT_FALSE(agent.Load(file, id));
        auto* character = dynamic_cast<QtAgentCharacter*>(agent.GetCharacterEx(id));
        ASSERT_NE(character, nullptr);
        ASSERT_TRUE(character->WaitForFrames());
        names.push_back(character->GetName());
        const CharacterData& data = character->Data();
        EXPECT_GE(data.height, 128);
        EXPECT_LE(data.height, 200 + 64);
        character->Show(true);
        for (const char16_t* name :
             {u"Greet", u"RestPose", u"Explain", u"Reading", u"DoMagic1", u"DoMagic2"}) {
            character->Play(name);
            character->Advance(0);
            std::set<int> frames;
            for (int ms = 0; ms < 20000 && character->IsBusy(); ms += 20) {
                character->Advance(20);
                frames.insert(character->Window()->Frame());
            }
            EXPECT_FALSE(character->IsBusy());
            // Only the return to the neutral pose may be a single picture.
            if (std::u16string_view(name) != u"RestPose") {
                EXPECT_GE(frames.size(), 2u) << QString::fromStdU16String(name).toStdString();
            }
        }
    }
    EXPECT_NE(names[0], names[1]);
}

}  // namespace
