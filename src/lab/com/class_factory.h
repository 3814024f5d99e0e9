// The class object COM asks the dll for: creates one kind of lab object per ProgID.
#pragma once

#include <windows.h>

#include "farm/mfcom/members.h"
#include "win/com.h"

namespace labcom {

win::ComPtr<IClassFactory> MakeClassFactory(mfcom::Creatable creatable);

}  // namespace labcom
