// Lists the command families of this build, in no particular order: the set
// sorts its rows itself.
#include "commands/standard.h"

#include "commands/access/family.h"
#include "commands/admin/family.h"
#include "commands/desktop/family.h"
#include "commands/files/family.h"
#include "commands/menus/family.h"
#include "commands/net/family.h"
#include "commands/picture/family.h"
#include "commands/screen/family.h"
#include "commands/serial/family.h"
#include "commands/sound/family.h"
#include "commands/speech/family.h"

namespace palavrino::commands {

const interp::CommandSet& StandardCommands()
{
    static const interp::CommandSet set = [] {
        interp::CommandSet s;
        interp::RegisterLanguageCommands(s);
        RegisterFileCommands(s);
        RegisterAdminCommands(s);
        RegisterScreenCommands(s);
        RegisterSpeechCommands(s);
        RegisterNetCommands(s);
        RegisterSerialCommands(s);
        RegisterDesktopCommands(s);
        RegisterAccessCommands(s);
        RegisterPictureCommands(s);
        RegisterMenuCommands(s);
        RegisterSoundCommands(s);
        s.Finish();
        return s;
    }();
    return set;
}

} // namespace palavrino::commands
