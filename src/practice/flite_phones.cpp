#include "practice/flite_phones.h"

#include <flite/flite.h>

#include <cctype>
#include <mutex>
#include <string_view>

extern "C" cst_lexicon* cmu_lex_init(void);

namespace {

// flite's phones are the recogniser's, lower case with a stress digit on vowels; its reduced
// vowel is the recogniser's AH, and its pause is no phone.
std::string RecogniserPhone(std::string_view phone) {
    while (!phone.empty() && std::isdigit(static_cast<unsigned char>(phone.back()))) {
        phone.remove_suffix(1);
    }
    if (phone == "ax") {
        return "AH";
    }
    if (phone.empty() || phone == "pau") {
        return {};
    }
    std::string upper;
    for (const char c : phone) {
        upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    return upper;
}

}  // namespace

std::string FlitePhones(std::string_view lowerCaseWord) {
    std::string letters;
    for (const char c : lowerCaseWord) {
        if (c >= 'a' && c <= 'z') {
            letters.push_back(c);
        }
    }
    if (letters.empty()) {
        return {};
    }
    // The lexicon is set up on first use and only read after that; flite's own voices set it up
    // too, so the first use is serialised with them as far as this library can.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    static const cst_lexicon* const kLexicon = cmu_lex_init();
    cst_val* phones = lex_lookup(kLexicon, letters.c_str(), nullptr, nullptr);
    std::string result;
    for (const cst_val* item = phones; item != nullptr; item = val_cdr(item)) {
        const std::string phone = RecogniserPhone(val_string(val_car(item)));
        if (!phone.empty()) {
            result += (result.empty() ? "" : " ") + phone;
        }
    }
    delete_val(phones);
    return result;
}
