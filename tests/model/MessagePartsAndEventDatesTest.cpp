// What the samples do not show of a multimedia message's parts and of an event's dates: parts
// written out of order, several texts, content types as phones spell them; all-day events kept
// in a zone of their own, or without an end.
#include "FixedTimeZone.h"
#include "model/EventDateText.h"
#include "model/MessageParts.h"

#include <gtest/gtest.h>

TEST(MessageParts, TextPartsJoinInPartOrderBesideTheFirstPictureOrMovie) {
    MessageParts parts;
    // Rows as a table may hold them: out of part order, two messages mixed.
    parts.add(7, 3, "text/plain", "see you there");
    parts.add(7, 0, "application/smil", "<smil/>");
    parts.add(9, 1, "Text/Plain; charset=utf-8", "  only words  ");
    parts.add(7, 2, "video/3gpp", {});
    parts.add(7, 1, "TEXT/PLAIN", "Look at this");
    parts.add(7, 4, "image/jpeg", {});
    parts.add(7, 5, "text/x-vcard", "BEGIN:VCARD");
    parts.add(8, 0, "application/smil", "<smil/>");

    const auto seven = parts.of(7);
    ASSERT_TRUE(seven);
    EXPECT_EQ(seven->text, "Look at this\nsee you there");
    ASSERT_EQ(seven->files.size(), 2u);
    EXPECT_EQ(seven->files[0].partId, 2);
    EXPECT_STREQ(seven->files[0].kind, "Mov");
    EXPECT_STREQ(seven->files[1].kind, "Image");
    EXPECT_FALSE(parts.of(8)) << "a presentation alone is no part a message shows";

    // The words go where the message holds none; a message's own text stays.
    PRMessageNode message;
    MessageParts::give(message, *seven, std::string("/backup/key"));
    EXPECT_EQ(message.messageContent(), "Look at this\nsee you there");
    EXPECT_TRUE(message.isHasAttach());
    EXPECT_EQ(message.attachType(), "Mov");
    EXPECT_EQ(message.attachmentPath(), "/backup/key");
    PRMessageNode own;
    own.setMessageContent("typed in the row");
    MessageParts::give(own, *parts.of(9), std::nullopt);
    EXPECT_EQ(own.messageContent(), "typed in the row");
    EXPECT_FALSE(own.isHasAttach());
    PRMessageNode missingFile;
    MessageParts::give(missingFile, *seven, std::nullopt);
    EXPECT_TRUE(missingFile.isHasAttach()) << "it had a picture, which the backup lacks";
    EXPECT_FALSE(missingFile.attachmentPath());
}

TEST(EventDates, AllDayEventsKeepTheirDaysOnTheirOwnClock) {
    FixedTimeZone zone("America/Los_Angeles");
    constexpr int64_t kTaxDay = 482371200;  // 2016-04-15 00:00 as a wall clock, from 2001
    // Kept in a zone of its own: Tokyo's midnight is 15:00 UTC the day before.
    const PREventDateTexts tokyo = eventDateTexts({kTaxDay - 9 * 3600, kTaxDay + 15 * 3600, "Asia/Tokyo", true});
    EXPECT_EQ(tokyo.start, "04-15-2016");
    EXPECT_EQ(tokyo.end, "04-15-2016");
    // An end at its own start, or none, never puts the last day before the first.
    const PREventDateTexts empty = eventDateTexts({kTaxDay, kTaxDay, "_float", true});
    EXPECT_EQ(empty.end, "04-15-2016");
    EXPECT_EQ(eventDateTexts({kTaxDay, std::nullopt, "", true}).end, "");
    // A zone no database knows keeps the clock as stored.
    EXPECT_EQ(eventDateTexts({kTaxDay, std::nullopt, "Nowhere/Atlantis", true}).start, "04-15-2016");
    // Not all day: a floating time is its wall clock; a fixed one is shown in local time.
    EXPECT_EQ(eventDateTexts({kTaxDay + 9 * 3600, std::nullopt, "_float", false}).start, "04-15-2016 09:00");
    EXPECT_EQ(eventDateTexts({kTaxDay + 9 * 3600, std::nullopt, "Europe/London", std::nullopt}).start,
              "04-15-2016 02:00");
}
