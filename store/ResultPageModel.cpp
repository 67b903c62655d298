#include "ResultPageModel.h"

#include "Settings.h"

namespace quarvik {

ResultFields CResultPageModel::Read()
{
    ResultFields f;
    f.convert = ReadSetting(kEnConvert) != 0;
    f.system = ReadSetting(kPlayoutSystem);
    f.server = ReadSetting(kDbServer);
    f.user = ReadSetting(kDbUser);
    f.password = ReadDbPass();
    return f;
}

PageCheck CResultPageModel::Write(const ResultFields& f)
{
    // WriteDbPass refuses before writing anything, so it goes first.
    if (!WriteDbPass(f.password)) return PageCheck::Refuse(kDbPassNotStorableText, kPasswordField);
    WriteSetting(kEnConvert, f.convert ? 1 : 0);
    WriteSetting(kPlayoutSystem, f.system);
    WriteSetting(kDbServer, f.server);
    WriteSetting(kDbUser, f.user);
    return {};
}

}  // namespace quarvik
