// The record tables as each page lays them out: the transfer page lists contacts, conversations
// and notes read only, in one line a cell, with headers of its own; the results screen shows the
// same records whole after a check column.
#include "widgets/RecordTableModels.h"

#include <gtest/gtest.h>

namespace {

QStringList headers(const QAbstractItemModel& model) {
    QStringList out;
    for (int column = 0; column < model.columnCount(); ++column)
        out << model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return out;
}

QVariantList row(const QAbstractItemModel& model, int r, int role = Qt::DisplayRole) {
    QVariantList out;
    for (int column = 0; column < model.columnCount(); ++column) out << model.index(r, column).data(role);
    return out;
}

}  // namespace

TEST(RecordTables, TheListingLayoutShowsEachRecordReadOnlyInOneLineACell) {
    auto company = std::make_shared<PRContactNode>();
    company->setContactCompany("Acme  Tools");
    company->setContactPhone("555 0100\n555 0199");
    company->setContactEmail(" desk@acme.test \nsales@acme.test");
    auto ann = std::make_shared<PRContactNode>();
    ann->setContactName("Ann");

    PRContactController listed(nullptr, PRRecordTableModel::Layout::Listing);
    listed.setRecords({company, ann});
    EXPECT_EQ(headers(listed), (QStringList{"Name", "Phone", "Email", "Company"}));
    // A contact without a name goes by its company; phones and addresses show their first line.
    EXPECT_EQ(row(listed, 0), (QVariantList{"Acme  Tools", "555 0100", "desk@acme.test", "Acme  Tools"}));
    EXPECT_EQ(listed.at(1), ann);
    EXPECT_EQ(listed.at(2), nullptr);
    EXPECT_EQ(listed.content().size(), 2u);
    for (int column = 0; column < listed.columnCount(); ++column) {
        const QModelIndex cell = listed.index(0, column);
        EXPECT_FALSE(listed.flags(cell) & Qt::ItemIsUserCheckable);
        EXPECT_FALSE(cell.data(Qt::CheckStateRole).isValid());
        EXPECT_FALSE(cell.data(Qt::ToolTipRole).isValid());
        EXPECT_FALSE(listed.setData(cell, Qt::Checked, Qt::CheckStateRole));
    }
    // The results screen shows the same contact whole, after its check box, by the same name.
    PRContactController marked;
    marked.setRecords({company});
    EXPECT_EQ(row(marked, 0).mid(PRContactController::Name),
              (QVariantList{"Acme  Tools", "555 0100\n555 0199", " desk@acme.test \nsales@acme.test", "Acme  Tools"}));
    EXPECT_EQ(marked.index(0, PRContactController::Check).data(Qt::CheckStateRole), Qt::Unchecked);

    auto conversation = std::make_shared<PRMessageTreeNode>();
    conversation->setMessageTreeNodeName("Bob");
    conversation->setMessageTreeNodeAdress("+1 555 0142");
    for (const char* date : {"03-01-2013 10:00", "03-02-2013 11:30"}) {
        auto message = std::make_shared<PRMessageNode>();
        message->setMessageDate(date);
        conversation->MessageNodeArray().push_back(message);
    }
    PRMessageTreeController conversations(nullptr, PRRecordTableModel::Layout::Listing);
    conversations.setRecords({conversation});
    EXPECT_EQ(headers(conversations), (QStringList{"Name", "Phone", "Messages", "Last Date"}));
    EXPECT_EQ(row(conversations, 0), (QVariantList{"Bob", "+1 555 0142", 2, "03-02-2013 11:30"}));
    PRMessageTreeController markedConversations;
    EXPECT_EQ(headers(markedConversations), (QStringList{"", "Name", "Phone or Address", "Messages", "Last Message"}));

    auto note = std::make_shared<PRNoteNode>();
    note->setNoteTitle("Groceries");
    note->setNoteDate("03-01-2013 09:00");
    note->setNoteContent("milk,  eggs\nbread");
    PRNoteController notes(nullptr, PRRecordTableModel::Layout::Listing);
    notes.setRecords({note});
    EXPECT_EQ(row(notes, 0), (QVariantList{"Groceries", "03-01-2013 09:00", "milk, eggs"}));
    PRNoteController markedNotes;
    markedNotes.setRecords({note});
    EXPECT_EQ(markedNotes.index(0, PRNoteController::Content).data().toString(), "milk, eggs bread");
}
