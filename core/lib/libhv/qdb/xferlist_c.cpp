#include "qdbrecover.h"

#include "qdberr.h"

#include <algorithm>
#include <cstring>

int xferlist_c::add_to_list(const char* tag) {
    if (tag == nullptr || *tag == '\0') {
        hv_err(__FILE__, __LINE__, 23, 395, "add_to_list ttag arg is NULL");
        qdberrcheck();
        return 2;
    }
    if (contains(tag)) return 1;
    tags_.emplace_front(tag);
    return 0;
}

int xferlist_c::test_and_remove_from_list(const char* tag) {
    if (tag == nullptr || *tag == '\0') {
        hv_err(__FILE__, __LINE__, 23, 395, "test_and_remove_from_list ttag arg is NULL");
        qdberrcheck();
        return -1;
    }
    const auto it = std::find(tags_.begin(), tags_.end(), tag);
    if (it == tags_.end()) return -1;
    tags_.erase(it);
    return 0;
}

void xferlist_c::remove_list() {
    hv_debug(__FILE__, __LINE__, "LD.recover.remove_list", "remove_list: delete list\n");
    for (const std::string& t : tags_) hv_debug(__FILE__, __LINE__, "LD.recover.remove_list", "\t%s\n", t.c_str());
    tags_.clear();
}

void xferlist_c::print_list(const char* title) const {
    hv_err(__FILE__, __LINE__, 6, 402, "print_list: %s\n", title ? title : "");
    for (const std::string& t : tags_) hv_err(__FILE__, __LINE__, 6, 403, "\ttag=%s\n", t.c_str());
}

char* xferlist_c::conv_list_to_string(char* buffer) const {
    if (tags_.empty()) return nullptr;
    std::size_t n = 0;
    for (const std::string& t : tags_) {
        if (n + t.size() + 2 >= 2000) return nullptr;
        if (n > 0) buffer[n++] = '\x01';
        std::memcpy(buffer + n, t.data(), t.size());
        n += t.size();
    }
    buffer[n] = '\0';
    return buffer;
}

bool xferlist_c::contains(const std::string& tag) const {
    return std::find(tags_.begin(), tags_.end(), tag) != tags_.end();
}
