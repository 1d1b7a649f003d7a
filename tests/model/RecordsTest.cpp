#include "model/MessageConversations.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRIOSDeviceNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRTranMusicNode.h"
#include "model/PRTreeDirNode.h"

#include <gtest/gtest.h>
#include <random>
#include <set>
#include <thread>

namespace {

// visitFields hands over what fields() lists: the same names, order and values.
void expectViewsMatchFields(const PRRecord& record) {
    struct Collect final : PRFieldVisitor {
        std::vector<PRField> seen;
        void field(const char* name, const PRFieldView& value) override {
            PRFieldValue copy = std::visit(
                [](const auto& v) -> PRFieldValue {
                    if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string_view>)
                        return std::string(v);
                    else
                        return v;
                },
                value);
            seen.push_back({name, std::move(copy)});
        }
    } collect;
    record.visitFields(collect);
    const std::vector<PRField> fields = record.fields();
    ASSERT_EQ(collect.seen.size(), fields.size()) << record.className();
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_STREQ(collect.seen[i].name, fields[i].name) << record.className();
        EXPECT_EQ(collect.seen[i].value, fields[i].value) << record.className() << "." << fields[i].name;
    }
}

// Every fresh record: ids -1, flags NO, sizes 0, texts empty unless listed as " " or nil.
void expectFreshRecord(const PRRecord& record, const std::set<std::string>& blankTexts = {},
                       const std::set<std::string>& nilFields = {}) {
    expectViewsMatchFields(record);
    for (const PRField& field : record.fields()) {
        SCOPED_TRACE(std::string(record.className()) + "." + field.name);
        const std::string name = field.name;
        if (nilFields.count(name)) {
            EXPECT_TRUE(std::holds_alternative<std::nullptr_t>(field.value));
        } else if (const auto* text = std::get_if<std::string>(&field.value)) {
            EXPECT_EQ(*text, blankTexts.count(name) ? " " : (name == "nodeIcon" ? "unselected" : ""));
        } else if (const auto* flag = std::get_if<bool>(&field.value)) {
            EXPECT_FALSE(*flag);
        } else if (const auto* number = std::get_if<int64_t>(&field.value)) {
            const bool id = name == "rowid" || name == "rowId" || name == "rowID" || name == "uid" ||
                            name == "handle_id" || name == "messageId" || name == "attachmentId" ||
                            name == "valueType" || name == "callTime";
            EXPECT_EQ(*number, id ? -1 : 0);
        } else if (const auto* count = std::get_if<uint64_t>(&field.value)) {
            EXPECT_EQ(*count, 0u);
        } else {
            ADD_FAILURE() << "unexpected nil";
        }
    }
}

TEST(Records, FreshRecordsHoldTheirStartValues) {
    expectFreshRecord(PRContactNode(), {}, {"imageData"});
    expectFreshRecord(PRContactImageNode(), {}, {"imageData"});
    expectFreshRecord(DelContactValue());
    expectFreshRecord(PRMessageNode(), {}, {"attachmentPath", "attachType", "contactImageData"});
    expectFreshRecord(PRMessageTreeNode());
    expectFreshRecord(PRMessageAttachNode(), {}, {"attachpath", "attachType"});
    expectFreshRecord(PRChatMessageNode());
    expectFreshRecord(PRCallHistoryNode());
    expectFreshRecord(PRNoteNode());
    expectFreshRecord(PRNoteValueNode());
    expectFreshRecord(PRBookMarkNode());
    expectFreshRecord(PRCalenderNode());
    expectFreshRecord(PRPhotoAndVideoNode());
    expectFreshRecord(PRFaceTwitterNode());
    expectFreshRecord(PRTranMusicNode(),
                      {"musicTitle", "musicType", "musicArtist", "musicFileSize", "musicRating", "musicTime",
                       "musicGenre", "musicPid", "artistPid", "albumPid", "bCopyLocationPath"},
                      {"musicAlbm"});
    expectFreshRecord(PRTranAppNode(), {}, {"appFileName", "appVersion", "appFileSize"});
    expectFreshRecord(PRTreeDirNode());
    expectFreshRecord(PRTreeFileNode(), {}, {"filePath", "fileSize"});
    expectFreshRecord(PRIOSDeviceNode());
}

TEST(Records, FieldsAreListedByPropertyNameInDeclaredOrderWithCurrentValues) {
    PRMessageNode message;
    message.setMessagePhone("+1 555 0100");
    message.setHandle_id(7);
    message.setContactImageData(makeBytes({1, 2, 3}));
    message.setAttachType(std::string("Image"));
    std::vector<std::string> names;
    for (const PRField& field : message.fields()) names.push_back(field.name);
    EXPECT_EQ(names, (std::vector<std::string>{"messageName", "messagePhone", "messageContent", "messageDate",
                                               "messageType", "bImessage", "bSelected", "bDeleted", "bPartial",
                                               "handle_id", "isHasAttach", "attachmentPath", "attachType", "rowId",
                                               "contactImageData", "groupAddress", "groupName"}));
    const auto fields = message.fields();
    EXPECT_EQ(std::get<std::string>(fields[1].value), "+1 555 0100");
    EXPECT_EQ(std::get<int64_t>(fields[9].value), 7);
    EXPECT_EQ(std::get<std::string>(fields[12].value), "Image");
    EXPECT_EQ(std::get<uint64_t>(fields[14].value), 3u);  // bytes as their length
    EXPECT_NE(message.description().find("handle_id=7"), std::string::npos);
    expectViewsMatchFields(message);
}

// A history's calls made on several threads share one copy of each kind, length and name; each
// call keeps its own texts when those that set them are gone, and shows them as it always did.
TEST(Records, RepeatedTextsOfCallsAndMessagesAreKeptOnce) {
    constexpr int kThreads = 4, kCalls = 3000;
    std::vector<std::vector<std::shared_ptr<PRCallHistoryNode>>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&made, t] {
            for (int i = 0; i < kCalls; ++i) {
                auto call = std::make_shared<PRCallHistoryNode>();
                std::string duration = std::to_string(i % 7) + " minutes";
                call->setCallDuration(duration);
                duration = "changed";  // the call keeps its own
                call->setCallType(i % 2 ? "Outgoing" : "Incoming");
                call->setCallPhone("+1 555 01" + std::to_string(i % 100));
                made[t].push_back(std::move(call));
            }
        });
    for (std::thread& thread : threads) thread.join();
    std::set<const std::string*> kinds, lengths;
    for (const auto& calls : made)
        for (int i = 0; i < kCalls; ++i) {
            const PRCallHistoryNode& call = *calls[static_cast<size_t>(i)];
            EXPECT_EQ(call.callDuration(), std::to_string(i % 7) + " minutes");
            EXPECT_EQ(call.callType(), i % 2 ? "Outgoing" : "Incoming");
            kinds.insert(&call.callType());
            lengths.insert(&call.callDuration());
        }
    EXPECT_EQ(kinds.size(), 2u);
    EXPECT_EQ(lengths.size(), 7u);

    PRCallHistoryNode fresh;
    EXPECT_EQ(fresh.callName(), "");
    fresh.setCallName({});
    EXPECT_TRUE(fresh.callName().empty());
    PRMessageNode message;
    message.setMessageName(std::string("Anna Berg"));
    message.setMessageType("Received");
    EXPECT_EQ(message.messageName(), "Anna Berg");
    EXPECT_NE(message.description().find("messageName=Anna Berg, messagePhone=, "), std::string::npos)
        << message.description();
    expectViewsMatchFields(message);
    expectViewsMatchFields(*made[0][5]);
}

// A call keeps its number in place when short, on the heap when not: either way the text it gives
// back, lists and shows is the one it was given, byte for byte, through copies and moves.
TEST(Records, NumbersOfCallsComeBackWholeWhateverTheirLength) {
    const std::string withNul(
        "+1555\0"
        "0123",
        10);
    const std::string longest(15, '7'), longer(16, '8'), carved(300, 'x');
    for (const std::string& number : {std::string(), std::string("+15550100"), withNul, longest, longer, carved}) {
        SCOPED_TRACE(number.size());
        PRCallHistoryNode call;
        call.setCallPhone(number);
        EXPECT_EQ(call.callPhone(), number);
        expectViewsMatchFields(call);
        PRCallHistoryNode copy = call;
        PRCallHistoryNode moved = std::move(call);
        EXPECT_EQ(copy.callPhone(), number);
        EXPECT_EQ(moved.callPhone(), number);
        copy.setCallPhone(longer);
        EXPECT_EQ(copy.callPhone(), longer);
        copy = moved;
        copy = *&copy;
        EXPECT_EQ(copy.callPhone(), number);
        moved = PRCallHistoryNode();
        EXPECT_EQ(moved.callPhone(), "");
        EXPECT_EQ(copy.callPhone(), number);
    }
}

TEST(Records, TreeFolderArraysAreItsOwnAndParentsAreNotOwned) {
    auto folder = std::make_shared<PRTreeDirNode>();
    auto other = std::make_shared<PRTreeDirNode>();
    auto child = std::make_shared<PRTreeDirNode>();
    child->setParent(folder);
    folder->children().push_back(child);
    EXPECT_TRUE(other->children().empty());

    // setChildren copies the given elements into the folder's own array.
    std::vector<PRTreeDirNodePtr> given{child};
    other->setChildren(given);
    given.clear();
    EXPECT_EQ(other->children().size(), 1u);

    auto file = std::make_shared<PRTreeFileNode>();
    file->setParent(folder);
    folder->addFileChildren(file);
    folder->addFileChildren(std::make_shared<PRTreeFileNode>());
    EXPECT_EQ(folder->fileChildren().size(), 2u);
    EXPECT_EQ(file->parent(), folder);

    // Children point back without keeping the folder alive (no reference cycle).
    std::weak_ptr<PRTreeDirNode> watch = folder;
    folder.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(child->parent(), nullptr);
}

}  // namespace

// A conversation takes its sender's name without blanks at its ends, and a sender of no known
// name gives it the address: no two unnamed conversations share a name in a list, a file name
// or the name of their picture. A group's messages, whoever wrote them, make one conversation
// named after its members, apart from each member's own.
TEST(Records, AConversationIsNamedByItsSenderOrGroupElseByItsAddress) {
    std::vector<PRMessageTreeNodePtr> conversations;
    auto message = [](const char* name, const char* phone) {
        auto m = std::make_shared<PRMessageNode>();
        m->setMessageName(name);
        m->setMessagePhone(phone);
        return m;
    };
    fileIntoConversation(conversations, message("  Anna Berg ", "+1 555 0100"));
    fileIntoConversation(conversations, message("", "+1 555 0199"));
    fileIntoConversation(conversations, message(" ", "bob@example.com"));
    ASSERT_EQ(conversations.size(), 3u);
    EXPECT_EQ(conversations[0]->messageTreeNodeName(), "Anna Berg");
    EXPECT_EQ(conversations[1]->messageTreeNodeName(), "+1 555 0199");
    EXPECT_EQ(conversations[2]->messageTreeNodeName(), "bob@example.com");

    auto inGroup = [&](const char* phone) {
        auto m = message("", phone);
        m->setGroupAddress("+15550100, +15550177");
        m->setGroupName("Anna Berg, +15550177");
        return m;
    };
    for (const char* sender : {"+1 555 0177", "", "+1 555 0100"}) fileIntoConversation(conversations, inGroup(sender));
    ASSERT_EQ(conversations.size(), 4u);
    EXPECT_EQ(conversations[3]->messageTreeNodeName(), "Anna Berg, +15550177");
    EXPECT_EQ(conversations[3]->messageTreeNodeAdress(), "+15550100, +15550177");
    EXPECT_EQ(conversations[3]->MessageNodeArray().size(), 3u);
    EXPECT_EQ(conversations[0]->MessageNodeArray().size(), 1u);
}

// The finder of conversations answers what a walk of the rule over every conversation answers:
// the first whose address is the message's by the contact rule, for numbers written in many
// ways, short codes, e-mail addresses in either case, empty addresses and long texts.
TEST(Records, ConversationsAreFoundAsTheRuleWalksThem) {
    std::mt19937 rng(5);
    auto address = [&] {
        static const char* const pieces[] = {"+1",           "555", "0100", "01", "Bob", "bob",
                                             "@example.com", "",    "0",    " ",  "."};
        std::string text;
        for (int n = static_cast<int>(rng() % 4); n >= 0; --n) text += pieces[rng() % std::size(pieces)];
        if (rng() % 40 == 0) text += std::string(60, 'x');
        return text;
    };
    ConversationFinder finder;
    std::vector<std::string> added;
    for (int round = 0; round < 3000; ++round) {
        const std::string phone = address();
        size_t walked = ConversationFinder::npos;
        for (size_t place = 0; place < added.size() && walked == ConversationFinder::npos; ++place)
            if (conversationAddressesMatch(phone, added[place])) walked = place;
        ASSERT_EQ(finder.find(phone), walked) << phone;
        if (walked == ConversationFinder::npos || rng() % 5 == 0) {
            finder.add(phone);
            added.push_back(phone);
        }
    }
}

// A contact shows its name, company, numbers, e-mail, home page and address joined from the parts
// it keeps, and keeps nothing twice; a text given that is not that join (a record made by hand)
// is shown as given whatever the parts become. Long and short parts come back whole, in copies too.
TEST(Records, AContactShowsItsPartsJoinedUnlessGivenAnotherText) {
    const std::string longEmail = "anna.maria.berg.with.a.long.name@example.com";
    PRContactNode contact;
    contact.setContactFirstName(std::string("Anna"));
    contact.setContactMiddleName(std::string("Maria"));
    contact.setContactLastName(std::string("Berg-Lindqvist"));
    contact.setContactDepartment(std::string("Sales"));
    contact.setContactOrganization(std::string("Example Shipping Company Ltd"));
    contact.setContactPhones({{"Mobile", "+44 7700 900123"}, {"Home", "555\u00a0010\u00a09876"}});
    contact.setContactEmails({{"Work", longEmail}});
    contact.setContactHomepages({{"homepage", "example.org/anna"}});
    PRContactAddress home;
    home.label = "Home";
    home.street = "1 Elm Street, Apartment 12";
    home.city = "Springfield";
    contact.setContactAddresses({home, PRContactAddress{"Work", "", "Oslo", "", "", "Norway"}});
    contact.setContactNote(std::string(300, 'n'));

    EXPECT_EQ(contact.contactName(), "Anna Maria Berg-Lindqvist");
    EXPECT_EQ(contact.contactCompany(), "Sales Example Shipping Company Ltd");
    EXPECT_EQ(contact.contactPhone(), "+44 7700 900123 555\u00a0010\u00a09876");
    EXPECT_EQ(contact.contactEmail(), longEmail);
    EXPECT_EQ(contact.contactHomepage(), "example.org/anna");
    EXPECT_EQ(contact.contactAdress(), "1 Elm Street, Apartment 12, Springfield; Oslo, Norway");
    EXPECT_EQ(contact.contactPhones()[1].label.str(), "Home");
    EXPECT_EQ(contact.contactEmails()[0].value.view(), longEmail);
    EXPECT_EQ(contact.contactNote(), std::string(300, 'n'));
    expectViewsMatchFields(contact);

    // A joined text given as the join follows the parts; another text stays as given.
    contact.setContactPhone(contact.contactPhone());
    contact.setContactName("Berg, Anna");
    contact.setContactEmail("");
    contact.setContactJobtitle(std::string("Buyer"));
    contact.setContactPhones({{"", "112"}});
    contact.setContactLastName(std::string("Berg"));
    contact.setContactEmails({{"", "anna@example.org"}});
    EXPECT_EQ(contact.contactPhone(), "112");
    EXPECT_EQ(contact.contactName(), "Berg, Anna");
    EXPECT_EQ(contact.contactEmail(), "");
    EXPECT_EQ(contact.contactCompany(), "Sales Buyer Example Shipping Company Ltd");

    const PRContactNode copy = contact;
    contact = PRContactNode();
    EXPECT_EQ(contact.contactName(), "");
    EXPECT_EQ(copy.contactName(), "Berg, Anna");
    EXPECT_EQ(copy.contactLastName(), "Berg");
    EXPECT_EQ(copy.contactAdress(), "1 Elm Street, Apartment 12, Springfield; Oslo, Norway");
    expectViewsMatchFields(copy);
}

// Carved bytes can be any text: past a bound the store takes no more (a long text, or a new one
// once it is full, is the record's own copy), and such copies go with their records. Last in the
// file: it fills the process's store.
TEST(Records, SharedTextsStayBoundedWhateverTheFilesSay) {
    const std::string longText(200, 'x');
    PRMessageNode first, second;
    first.setMessagePhone(longText);
    second.setMessagePhone(longText);
    EXPECT_NE(&first.messagePhone(), &second.messagePhone());
    PRMessageNode copied = first;
    PRMessageNode moved = std::move(second);
    EXPECT_EQ(copied.messagePhone(), longText);
    EXPECT_EQ(moved.messagePhone(), longText);
    EXPECT_NE(&copied.messagePhone(), &first.messagePhone());
    first.setMessagePhone("+1 555 0199");
    copied = first;
    EXPECT_EQ(&copied.messagePhone(), &first.messagePhone());

    // A million distinct addresses, as a carve of a large file can give: the first ones are
    // shared, the rest are kept apart, and a text shared before still is.
    constexpr int kAddresses = 1000000;
    for (int i = 0; i < kAddresses; ++i) PRSharedText("carved " + std::to_string(i));
    PRSharedText a(std::string("carved late")), b(std::string("carved late"));
    EXPECT_NE(&a.str(), &b.str());
    EXPECT_EQ(a.str(), b.str());
    EXPECT_EQ(&PRSharedText("+1 555 0199").str(), &first.messagePhone());
}
