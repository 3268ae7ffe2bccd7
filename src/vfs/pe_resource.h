#pragma once
// Resources of Windows programs and libraries (PE files), read without running anything:
// a game's original executable may carry its archive as a resource.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "vfs/big_stream.h"

namespace vesk {

// The bytes of resource `name` of type `type` in the PE file at `path` (native), mapped from
// the file. Names compare without regard to ASCII case; "#10" names the numeric id 10. None
// when the file has no such resource; a file that is not a readable PE file raises a
// VeskError.
std::optional<TResourceData> FindPeResource(IHostFileSystem& fs, const std::string& path,
                                            std::string_view name, std::string_view type);

// The same search over a PE file in memory: the resource's offset and size. `what` names the
// file in messages.
std::optional<std::pair<size_t, size_t>> LocatePeResource(const uint8_t* data, size_t size,
                                                          std::string_view name,
                                                          std::string_view type,
                                                          const std::string& what);

}  // namespace vesk
