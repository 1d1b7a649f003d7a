// Media-library items of the device: a track or video, and an app entry.
#pragma once

#include "model/PRRecord.h"

#define PR_TRAN_MUSIC_NODE_FIELDS(X)                             \
    X(std::string, musicTitle, setMusicTitle, " ")               \
    X(std::string, musicType, setMusicType, " ")                 \
    X(std::string, musicArtist, setMusicArtist, " ")             \
    X(PROptionalText, musicAlbm, setMusicAlbm, {})               \
    X(std::string, musicFileSize, setMusicFileSize, " ")         \
    X(std::string, musicRating, setMusicRating, " ")             \
    X(std::string, musicTime, setMusicTime, " ")                 \
    X(std::string, musicGenre, setMusicGenre, " ")               \
    X(std::string, musicPid, setMusicPid, " ")                   \
    X(std::string, artistPid, setArtistPid, " ")                 \
    X(std::string, albumPid, setAlbumPid, " ")                   \
    X(std::string, musicLoctionpath, setMusicLoctionpath, {})    \
    X(bool, bhasCopy, setBhasCopy, false)                        \
    X(std::string, bCopyLocationPath, setBCopyLocationPath, " ") \
    X(uint64_t, fileSizeNumber, setFileSizeNumber, 0)

class PRTranMusicNode final : public PRRecord {
    PR_RECORD(PRTranMusicNode, PR_TRAN_MUSIC_NODE_FIELDS)
};

#define PR_TRAN_APP_NODE_FIELDS(X)                     \
    X(PROptionalText, appFileName, setAppFileName, {}) \
    X(PROptionalText, appVersion, setAppVersion, {})   \
    X(PROptionalText, appFileSize, setAppFileSize, {})

class PRTranAppNode final : public PRRecord {
    PR_RECORD(PRTranAppNode, PR_TRAN_APP_NODE_FIELDS)
};

using PRTranMusicNodePtr = std::shared_ptr<PRTranMusicNode>;
using PRTranAppNodePtr = std::shared_ptr<PRTranAppNode>;
