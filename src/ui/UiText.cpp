#include "ui/UiText.h"

namespace quorvel::ui {

QString uiText(const core::LanguageTable& language, int id, std::string_view english,
               std::string_view first, std::string_view second) {
    std::string text = language.LangText(id, first, second);
    if (!text.empty()) return toQ(text);
    // The English text takes the same substitutions as a table entry, in one pass so that an
    // argument is never searched for placeholders.
    std::string out;
    for (std::size_t i = 0; i < english.size();) {
        if (english.substr(i, 3) == "%s2") {
            out.append(second);
            i += 3;
        } else if (english.substr(i, 2) == "%s") {
            out.append(first);
            i += 2;
        } else {
            out.push_back(english[i++]);
        }
    }
    return toQ(out);
}

}  // namespace quorvel::ui
