// The array controllers of the results screen: one table model per category, over the
// records the scan intake gathered, each numbering its columns after the check column.
#pragma once

#include "browser/PRRecordTableModel.h"
#include "model/PRBookMarkNode.h"
#include "model/PRCalenderNode.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRContactNode.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "model/PRTreeDirNode.h"

class PRContactController : public PRArrayTableModel<PRContactNode> {
public:
    enum Column { Check, Name, Phone, Email, Company, ColumnCount };
    explicit PRContactController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool searchable() const override { return true; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    bool isDeleted(size_t record) const override { return records_[record]->bDeleted(); }
    bool matches(size_t record, const QString& text) const override;
};

// The conversations of the messages tab.
class PRMessageTreeController : public PRArrayTableModel<PRMessageTreeNode> {
public:
    enum Column { Check, Name, Address, Messages, LastDate, ColumnCount };
    explicit PRMessageTreeController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool searchable() const override { return true; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    QVariant sortKey(size_t record, int column) const override;
    bool isDeleted(size_t record) const override { return records_[record]->bdeleted(); }
    bool matches(size_t record, const QString& text) const override;
};

class PRCallHistoryController : public PRArrayTableModel<PRCallHistoryNode> {
public:
    enum Column { Check, Name, Phone, Date, Type, Duration, ColumnCount };
    explicit PRCallHistoryController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool searchable() const override { return true; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    bool isDeleted(size_t record) const override { return records_[record]->bDeleted(); }
    bool matches(size_t record, const QString& text) const override;
};

class PRNoteController : public PRArrayTableModel<PRNoteNode> {
public:
    enum Column { Check, Title, Date, Content, ColumnCount };
    explicit PRNoteController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool searchable() const override { return true; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    bool isDeleted(size_t record) const override { return records_[record]->bDeleted(); }
    bool matches(size_t record, const QString& text) const override;
};

class PRBookMarkController : public PRArrayTableModel<PRBookMarkNode> {
public:
    enum Column { Check, Title, URL, ColumnCount };
    explicit PRBookMarkController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    bool isDeleted(size_t record) const override { return records_[record]->bDeleted(); }
};

class PRCalendarController : public PRArrayTableModel<PRCalenderNode> {
public:
    enum Column { Check, Title, Note, Start, End, ColumnCount };
    explicit PRCalendarController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool searchable() const override { return true; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    bool isDeleted(size_t record) const override { return records_[record]->bDeleted(); }
    bool matches(size_t record, const QString& text) const override;
};

class PRPhotoAndVideoController : public PRArrayTableModel<PRPhotoAndVideoNode> {
public:
    enum Column { Check, Name, Size, Type, Modified, ColumnCount };
    explicit PRPhotoAndVideoController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool hasDeletedRecords() const override { return false; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    QVariant sortKey(size_t record, int column) const override;
};

class PRFaceTwitterController : public PRArrayTableModel<PRFaceTwitterNode> {
public:
    enum Column { Check, Name, Size, ColumnCount };
    explicit PRFaceTwitterController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool hasDeletedRecords() const override { return false; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    QVariant sortKey(size_t record, int column) const override;
};

// The file rows of the folder selected in the backup-file tree. Marking a row brings the
// folders above it up to date.
class PRTreeFileController : public PRArrayTableModel<PRTreeFileNode> {
public:
    enum Column { Check, Name, Type, Size, Path, ColumnCount };
    explicit PRTreeFileController(QObject* parent = nullptr) : PRArrayTableModel(parent) {}
    bool hasDeletedRecords() const override { return false; }

protected:
    int fieldColumns() const override { return ColumnCount - 1; }
    QString header(int column) const override;
    QString text(size_t record, int column) const override;
    QVariant sortKey(size_t record, int column) const override;
    void setMarked(size_t record, bool marked) override;
};
