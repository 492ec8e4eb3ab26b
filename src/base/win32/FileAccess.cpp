#include "base/FileAccess.h"

#include <share.h>

namespace kelvo {

std::FILE* OpenFileForSharedRead(const std::string& path) { return ::_fsopen(path.c_str(), "rb", _SH_DENYNO); }

std::FILE* CreateFileExclusive(const std::string& path) { return ::_fsopen(path.c_str(), "wb", _SH_DENYRW); }

}  // namespace kelvo
