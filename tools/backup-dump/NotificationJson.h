// One notification as one line of JSON: {"name": NAME, "object": OBJECT}, where a record is
// an object of its fields by name, a number is a number and no object is null.
#pragma once

#include "platform/NotificationCenter.h"

#include <string>
#include <string_view>

std::string notificationJson(const NSNotification& notification);
// The same appended to out, for callers that print many lines from one buffer.
void appendNotificationJson(std::string& out, const NSNotification& notification);
// A JSON string literal of text; bytes that are not UTF-8 become U+FFFD.
std::string jsonString(const std::string& text);
void appendJsonString(std::string& out, std::string_view text);
