// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/resources.h"

bool ReadResourceBytes(int id, std::string& bytes) {
  for (size_t i = 0; i < kEmbeddedResourceCount; ++i) {
    const EmbeddedResource& resource = kEmbeddedResources[i];
    if (resource.id != id) continue;
    if (resource.size == 0) return false;
    bytes.assign(reinterpret_cast<const char*>(resource.bytes), resource.size);
    return true;
  }
  return false;
}
