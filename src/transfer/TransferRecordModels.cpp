#include "transfer/TransferRecordModels.h"

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }
// A long text shown in one table cell: its first line.
QString oneLine(const std::string& text) { return qs(text).section(QLatin1Char('\n'), 0, 0).simplified(); }

}  // namespace

namespace transfer {

QVariant PRContactController::data(const QModelIndex& index, int role) const {
    const Ptr c = at(index.row());
    if (!c || role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case Name: return qs(c->contactName().empty() ? c->contactCompany() : c->contactName());
    case Phone: return oneLine(c->contactPhone());
    case Email: return oneLine(c->contactEmail());
    case Company: return qs(c->contactCompany());
    default: return {};
    }
}

QVariant PRContactController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case Name: return tr("Name");
    case Phone: return tr("Phone");
    case Email: return tr("Email");
    case Company: return tr("Company");
    default: return {};
    }
}

QVariant PRMessageTreeController::data(const QModelIndex& index, int role) const {
    const Ptr c = at(index.row());
    if (!c || role != Qt::DisplayRole) return {};
    const auto& messages = c->MessageNodeArray();
    switch (index.column()) {
    case Name: return qs(c->messageTreeNodeName());
    case Address: return qs(c->messageTreeNodeAdress());
    case Messages: return int(messages.size());
    case LastDate: return messages.empty() ? QString() : qs(messages.back()->messageDate());
    default: return {};
    }
}

QVariant PRMessageTreeController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case Name: return tr("Name");
    case Address: return tr("Phone");
    case Messages: return tr("Messages");
    case LastDate: return tr("Last Date");
    default: return {};
    }
}

QVariant PRNoteController::data(const QModelIndex& index, int role) const {
    const Ptr n = at(index.row());
    if (!n || role != Qt::DisplayRole) return {};
    switch (index.column()) {
    case Title: return qs(n->noteTitle());
    case Date: return qs(n->noteDate());
    case Content: return oneLine(n->noteContent());
    default: return {};
    }
}

QVariant PRNoteController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case Title: return tr("Title");
    case Date: return tr("Date");
    case Content: return tr("Content");
    default: return {};
    }
}

}  // namespace transfer
