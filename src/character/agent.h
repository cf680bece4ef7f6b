#pragma once

#include <string>
#include <string_view>
#include <system_error>

// What the roles ask of the character agent: load a character file, then place, show, hide and
// animate it and show text in its balloon. Requests never wait; an animation or a balloon is
// queued behind the ones before it. GUI thread only.

// Which queued requests StopAll drops.
inline constexpr int kStopTypePlay = 1;   // animations, moves, show and hide
inline constexpr int kStopTypeSpeak = 4;  // balloon text

// Why a load failed, beyond what errno can say.
enum class AgentError {
    kNoAgent = 1,  // no agent to ask
    kInvalidFile,  // the file is not a character the agent can show
    kUnknownId,    // no character with that id is loaded
    kNotInFolder,  // the name is not a file name in the agent's character folder
};
const std::error_category& AgentErrorCategory();
std::error_code make_error_code(AgentError error);

template <>
struct std::is_error_code_enum<AgentError> : std::true_type {};

// One loaded character.
class AgentCharacter {
  public:
    virtual ~AgentCharacter() = default;

    virtual std::u16string GetName() const = 0;
    // 0x409 English, 0x804 Chinese: the language of the balloon.
    virtual std::error_code SetLanguageID(int languageId) = 0;
    // Screen coordinates of the character's top left. Speed 0 places it at once; any other speed
    // glides there in a straight line.
    virtual std::error_code MoveTo(short x, short y, int speed) = 0;
    virtual std::error_code Show(bool fast) = 0;
    virtual std::error_code Hide(bool fast) = 0;
    virtual void Speak(const std::u16string& text) = 0;
    virtual void Play(const std::u16string& animation) = 0;
    virtual void StopAll(int types) = 0;
};

// Whether `name` is a file name in the character folder: not empty, at most 255 bytes, no '/',
// no control character, and not hidden ("." and ".." included). Names from settings files are
// untrusted; only such a name may name a character.
bool IsCharacterFileName(std::string_view name);

// The agent: loads characters by file name, from the agent's character folder only; a name that
// IsCharacterFileName refuses is refused (AgentError::kNotInFolder). Ids are unique for the
// agent's lifetime.
class CharacterAgent {
  public:
    virtual ~CharacterAgent() = default;

    virtual std::error_code Load(const std::u16string& file, long& id) = 0;
    // The display name of the character in `file`, read without loading the character: its frames
    // are neither checked nor drawn, so a file Load refuses may still have a name. It touches no
    // loaded character, so it may run on a thread of its own while the others are in use.
    virtual std::error_code ReadName(const std::u16string& file, std::u16string& name) = 0;
    // The character of a loaded id; null for an unknown one. Valid until Unload(id).
    virtual AgentCharacter* GetCharacterEx(long id) = 0;
    virtual void Unload(long id) = 0;
};
