// Texts that both programs show, kept in one place so that the splitter and
// the joiner cannot drift apart.
#pragma once

namespace brindlecut {

// Asked before a file of the user's is replaced; No is followed by kChooseAnother.
inline constexpr const char* kOverwriteQuestion = " The file already exists.Would you want to overwrite it";
inline constexpr const char* kChooseAnother = "Choose a different directory";

}  // namespace brindlecut
