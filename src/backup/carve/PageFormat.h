// The b-tree pages of the database file format, as the carve takes them apart: the kinds of page,
// where a page header keeps its fields, the cell pointers, freeblocks and overflow chains, and
// how much of a row's payload a table leaf keeps on the page. Offsets count from the page's first
// byte (the header page, whose tree header follows the file's header, is read by SchemaTable).
#pragma once

#include <cstdint>

namespace carve {

// The page a database counts first holds the file's header and the table definitions.
constexpr int64_t kHeaderPage = 1;

// The first byte of a b-tree page says which of the four kinds it is.
constexpr uint8_t kIndexInteriorPage = 0x02;
constexpr uint8_t kTableInteriorPage = 0x05;
constexpr uint8_t kIndexLeafPage = 0x0a;
constexpr uint8_t kTableLeafPage = 0x0d;

// Offsets and counts on a page (the page header's fields, the cell pointers, a freeblock's two
// fields) are two-byte numbers; a page number (a child, an overflow page) takes four bytes.
constexpr int kOffsetSize = 2;
constexpr int kPageNumberSize = 4;

// The page header's fields after that byte.
constexpr int64_t kFirstFreeblockAt = 1;  // the offset of the page's first freeblock, 0 for none
constexpr int64_t kCellCountAt = 3;       // how many cells the page holds
constexpr int64_t kContentStartAt = 5;    // where the cells' content starts
constexpr int64_t kRightMostChildAt = 8;  // an interior page's last child (a page number), the one no cell names

// A leaf page's header takes eight bytes; an interior page's twelve, the last four naming its
// right-most child.
constexpr int64_t kLeafHeaderSize = 8;
constexpr int64_t kInteriorHeaderSize = 12;
constexpr int64_t pageHeaderSize(uint8_t kind) {
    return kind == kIndexLeafPage || kind == kTableLeafPage ? kLeafHeaderSize : kInteriorHeaderSize;
}

// A content start of 0 stands for 65536, which two bytes cannot hold: an empty 65536-byte page.
constexpr int64_t kContentStartOfZero = 65536;

// The cell pointers follow the page header, each a cell's offset on the page.
constexpr int64_t kCellPointerSize = kOffsetSize;

// A cell of an interior table page: its left child's page number, then the largest row id under
// that child as a varint.
constexpr int64_t kChildKeyAt = kPageNumberSize;

// A freeblock starts with four bytes, two of them the offset of the next freeblock (0 for none),
// the other two its own size. Freed room of fewer bytes cannot be a freeblock: it is a fragment.
constexpr int64_t kFreeblockHeadSize = 4;
constexpr int64_t kFreeblockNextAt = 0;
constexpr int64_t kFreeblockSizeAt = 2;

// SQLite gives no cell fewer than four bytes, so that each can become a freeblock when freed.
constexpr int64_t kSmallestCell = 4;

// A payload too large for its page keeps the page number of its first overflow page after the
// part the page keeps; each overflow page starts with the next one's number (0 on the last) and
// holds the payload's bytes in the rest.
constexpr int64_t kOverflowPointerSize = kPageNumberSize;
constexpr int64_t kOverflowNextSize = kPageNumberSize;

// The most payload a table leaf cell keeps on its page (usable: the page's usable size), the
// format's X = U - 35: a cell of it with its length, row id and overflow page number fits a page alone.
constexpr int64_t maxLocalPayload(int64_t usable) { return usable - 35; }

// The least a payload that spills keeps on its page, the format's M: the leaf payload fraction
// (32/255) of the page past its largest header (12 bytes), less a cell's largest overhead (23).
constexpr int64_t minLocalPayload(int64_t usable) { return (usable - 12) * 32 / 255 - 23; }

}  // namespace carve
