#pragma once
// Every question the export asks a person, answered by the front end that runs it. The
// export engine itself never talks to a user.

#include <string>
#include <vector>

#include "support/strings.h"

namespace tundrel {

enum class CollisionChoice { Overwrite, Rename, Skip, Stop };

struct CollisionQuestion {
    std::string existingTarget;  // full path of the entry that is in the way
    std::string suggestedName;   // a free name, "__rename_N" before the extension
};

struct CollisionAnswer {
    CollisionChoice choice = CollisionChoice::Rename;
    bool applyToRest = false;  // use this choice for every later collision of the export
    std::string newName;       // Rename: the name to write to; empty skips the file
};

class ExportPrompt {
public:
    virtual ~ExportPrompt() = default;
    // A yes/no question asked with the string `question` (320, 321, 274, 276), `text` fully
    // formatted. True is yes.
    virtual bool Confirm(StringId question, const std::string& text) = 0;
    // The destination is FAT and cannot hold `files` ("name , size" each): true goes on
    // without them, false stops (275).
    virtual bool ConfirmBigFiles(const std::string& text, const std::vector<std::string>& files) = 0;
    virtual CollisionAnswer AskCollision(const CollisionQuestion& question) = 0;
    // A message the export is refused or ends with (227, 229, 244, 245, 277, 308, 322).
    virtual void Tell(StringId message, const std::string& text) = 0;
};

}  // namespace tundrel
