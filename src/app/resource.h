// Resource ids of zelttool.exe.
#pragma once

#define IDI_ZELTTOOL 1
