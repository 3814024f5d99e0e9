// The class object COM asks the dll for: creates one kind of lab object per ProgID.
#pragma once

#include <windows.h>

#include "farm/mfcom/com.h"
#include "farm/mfcom/members.h"

namespace labcom {

mfcom::ComPtr<IClassFactory> MakeClassFactory(mfcom::Creatable creatable);

}  // namespace labcom
