// Records of the template database: monitoring tasks, targets, format templates and their items.
//
// Plain data copied by value. Text fields are fixed-size, NUL-terminated UTF-8, some narrower
// than their columns; fill them with CopyField so a longer text is cut on a character boundary.
#pragma once

#include "TextField.h"

#include <cstdint>

namespace quarvik {

// A row of AutoTask.
struct MonTask_t {
    int32_t nID;
    int32_t bActive;  // 1: enabled, gets a workspace tab and runs
    char szName[kNameFieldBytes];
    char szComment[128];
    int32_t nTargetID;  // Target.nID of the watched target
    int32_t bSyntax;    // 1: run the format check
    int32_t nSyntaxID;  // Syntax.nID used when bSyntax is 1
    int32_t bPicute;    // 1: run the content check (the column is spelled this way)
    int32_t bAlert;
    int32_t bLog;
    int32_t bRecord;
};

// Target kinds; the same numbers are a sub-task's nType.
enum TargetType : int32_t {
    kTargetFtp = 0,
    kTargetUdp = 1,
    kTargetFolder = 2,
    kTargetRemovable = 3,
};

// A row of Target.
struct MonObj_t {
    int32_t nID;
    char szName[kNameFieldBytes];
    int32_t nType;  // TargetType
    char szComment[128];
    char szIp[32];
    int32_t nPort;
    char szPath[kPathFieldBytes];  // watched folder, or the folder on the FTP server
    char szUser[32];
    char szPasswd[32];
    int32_t nTimeSpan;  // polling interval in seconds (FTP, folder)
};

// A row of SyntaxItem: one condition of a format template.
struct MonSyntaxItem_t {
    int32_t nID;       // not read back
    int32_t nType;     // unused; always stored as 0
    int32_t nCompare;  // 0: equal to szValue1; 1: between szValue1 and szValue2
    char szAvLevel[10];  // "General", "Video" or "Audio"
    char szName[32];
    char szValue1[64];
    char szValue2[64];
};

// A row of Syntax with its items. pItems is borrowed: whoever fills the record owns the array
// and keeps it alive while the record is used.
struct MonSyntax_t {
    int32_t nID;
    char szName[kNameFieldBytes];
    char szComment[128];
    int32_t nCount;
    MonSyntaxItem_t* pItems;
};

}  // namespace quarvik
