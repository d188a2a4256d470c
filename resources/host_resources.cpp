#include <toolbox/resources/host_resources.h>

#include <map>

namespace {

struct HostResources {
    std::map<UINT, CString> strings;
    std::map<int, CString> icons;
};

HostResources& Host() {
    static HostResources resources;
    return resources;
}

}  // namespace

void TBSetHostString(UINT id, const char* text) {
    if (text)
        Host().strings[id] = text;
    else
        Host().strings.erase(id);
}

bool TBFindHostString(UINT id, CString& text) {
    const auto& strings = Host().strings;
    const auto it = strings.find(id);
    if (it == strings.end()) return false;
    text = it->second;
    return true;
}

bool TBHasHostStrings() { return !Host().strings.empty(); }

void TBSetHostIcon(int index, const char* file) {
    if (file && *file)
        Host().icons[index] = file;
    else
        Host().icons.erase(index);
}

CString TBGetHostIcon(int index) {
    const auto& icons = Host().icons;
    const auto it = icons.find(index);
    return it == icons.end() ? CString() : it->second;
}

void TBClearHostResources() {
    Host().strings.clear();
    Host().icons.clear();
}
