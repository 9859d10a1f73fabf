// A named shared-memory segment: a file in run/shm/ mapped MAP_SHARED, under
// the named-object rule (NamedObject.h). The creator builds the content in a
// file under a temporary name, already mapped, and publishes it when complete,
// so no process ever maps a half-built segment. Attach maps the file's real
// size; the caller checks that its own header agrees with it.
#pragma once

#include "platform/NamedObject.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace portlib::platform {

class SharedSegment {
public:
    // Largest segment taken: the content is addressed by 32-bit signed offsets.
    static constexpr std::size_t kMaxSize = 0x7FFFFFFF;

    SharedSegment() = default;
    ~SharedSegment();
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    // A new zero-filled segment of `size` bytes, mapped, not yet visible to
    // others. 0; EINVAL for a bad name or a size of 0 or above kMaxSize; errno.
    int Create(std::string_view name, std::size_t size);
    // Makes the built segment visible. 0; EEXIST when a live one exists (this
    // segment is then unmapped and dropped); errno.
    int Publish();
    // Maps the live segment `name`. 0; ENOENT when there is none; EPROTO when
    // its file is empty or larger than kMaxSize; errno.
    int Attach(std::string_view name);
    // Unmaps and drops the handle.
    void Detach();

    void* Base() const { return base_; }
    std::size_t Size() const { return size_; }
    bool IsPublished() const { return file_.IsPublished(); }

private:
    int Map(std::size_t size);

    NamedObject file_;
    void* base_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace portlib::platform
