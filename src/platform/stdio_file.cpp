#include "platform/stdio_file.h"

namespace quenzar::platform {

const char* writeProblemText(WriteProblem problem) {
    switch (problem) {
        case WriteProblem::None: return "was written";
        case WriteProblem::Link:
            return "is a symbolic link (or another kind of link): it is left as it is and nothing is written "
                   "through it";
        case WriteProblem::NotPlainFile: return "is not a plain file: it is left as it is";
        case WriteProblem::OtherNames:
            return "is a file with more names (hard links): it is left as it is, since emptying it would empty "
                   "those too";
        case WriteProblem::NotCreated: return "could not be created";
        case WriteProblem::NotWritten: return "could not be written whole";
    }
    return "could not be written";
}

}  // namespace quenzar::platform
