// "usp10.dll": the script functions as a module the programs load at run time and search by name.
// Consumers must link this library whole (see CMakeLists.txt), or this registration is dropped.
#include "platform/kernel/modules.h"
#include "platform/usp/usp.h"

namespace {

using platform::kernel::exportAddress;

const platform::kernel::ModuleRegistration kUspModule{
    "usp10.dll",
    platform::kernel::ModuleLoading::OnDemand,
    {
        {"ScriptItemize", exportAddress(&ScriptItemize)},
        {"ScriptShape", exportAddress(&ScriptShape)},
        {"ScriptPlace", exportAddress(&ScriptPlace)},
        {"ScriptBreak", exportAddress(&ScriptBreak)},
        {"ScriptJustify", exportAddress(&ScriptJustify)},
        {"ScriptTextOut", exportAddress(&ScriptTextOut)},
        {"ScriptGetProperties", exportAddress(&ScriptGetProperties)},
        {"ScriptFreeCache", exportAddress(&ScriptFreeCache)},
        {"ScriptRecordDigitSubstitution", exportAddress(&ScriptRecordDigitSubstitution)},
        {"ScriptApplyDigitSubstitution", exportAddress(&ScriptApplyDigitSubstitution)},
        {"ScriptGetFontProperties", exportAddress(&ScriptGetFontProperties)},
        {"ScriptStringAnalyse", exportAddress(&ScriptStringAnalyse)},
        {"ScriptStringOut", exportAddress(&ScriptStringOut)},
        {"ScriptStringFree", exportAddress(&ScriptStringFree)},
        {"ScriptStringCPtoX", exportAddress(&ScriptStringCPtoX)},
        {"ScriptString_pSize", exportAddress(&ScriptString_pSize)},
    }};

}  // namespace
