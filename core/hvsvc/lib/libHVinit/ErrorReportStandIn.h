// The error facility's interface until the database library provides it.
#pragma once

void set_errinfo(const char* label, const char* logName, int defaultFlags, const char* extraLabel);
int pxm_err(int severity, int messageId, const char* sourceFile, int line, int flagsSet, int flagsClear,
            const char* format, ...) __attribute__((format(printf, 7, 8)));
