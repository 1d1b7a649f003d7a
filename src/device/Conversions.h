// Conversions between the property-list values the device framework speaks and standard
// strings, maps and vectors. Strings are UTF-8. The caller owns every object a "to_cf..."
// helper creates.
#pragma once

#include "platform/CoreFoundation.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace amd {

std::string cfstring_to_string(CFStringRef string);
// Any value as text: strings as themselves, everything else described; "" for NULL.
std::string cftype_to_string(CFTypeRef value);
// 0 for NULL, the null singleton or a value that is not a number.
int64_t cfnumber_to_int64(CFTypeRef number);
CFNumberRef int64_to_cfnumber(int64_t value);
CFNumberRef float32_to_cfnumber(float value);
// Values are borrowed from the dictionary / array, not retained.
std::map<std::string, CFTypeRef> cfdictionary_to_map(CFTypeRef dictionary);
std::vector<CFTypeRef> cfarray_to_vector(CFTypeRef array);
CFStringRef string_to_cfstring(const std::string& string);
CFMutableDictionaryRef map_to_cfdictionary(const std::map<std::string, CFTypeRef>& map);
CFMutableArrayRef vector_to_cfarray(const std::vector<CFTypeRef>& vector);
// 16 bytes as "00010203-0405-0607-0809-0A0B0C0D0E0F".
std::string uuid_bytes_to_string(const uint8_t bytes[16]);

// Logs one diagnostic line (printf format) in the device category; a final line end is dropped.
void Diagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace amd
