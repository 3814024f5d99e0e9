// The lab farm's automation objects: each wraps an object of the lab's farm interface and
// answers IDispatch by the member table (names, arguments) that the client uses too.
#pragma once

#include <cstdint>
#include <string>

#include "farm/mfcom/members.h"
#include "win/com.h"

namespace labcom {

// A new object of the kind a ProgID stands for, on the module's lab farm. Throws the
// lab's farm::FarmError when the lab refuses to create it.
win::ComPtr<IDispatch> CreateObject(mfcom::Creatable creatable);

// Reports a failure the way an automation server does: EXCEPINFO with the number (scode
// for an HRESULT, wCode for a runtime error number), the description and the source
// "MetaFrameCOM", and DISP_E_EXCEPTION. Without an EXCEPINFO: the number as the HRESULT.
HRESULT ReportFailure(int32_t number, const std::string& description, EXCEPINFO* info);

}  // namespace labcom
