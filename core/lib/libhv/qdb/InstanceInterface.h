// The instance interface beyond creating and changing one instance:
// listing, the tag of an identifier, removing whole hierarchies, and the
// daemon's answers to other systems' instance queries.
#pragma once

#include "Message.h"

extern "C" {
// Instance records ("system sep app sep type sep tag sep id sep info sep
// STATE sep reason sep INIT sep RESERVATION sep pid sep pgid sep events";
// sep 0: 0x01) of system's database in the walk of start (null: all, " ":
// the instance list, a tag: it and below), filtered by application, type,
// tag or identifier. A null-ended array (qdbfreeit each and the array), or
// null. At most 5,000: a longer list ends there and code 6 is left.
char** ins_list(const char* system, const char* start, const char* app, const char* typ, const char* tag,
                const char* id, char sep);
// The tag of the instance with identifier id, or null (reported). The text
// belongs to the calling thread until its next call; do not free it.
const char* ins_gettag(const char* system, const char* id);
// Removes instances: the hierarchies below the 0x01-separated top tags, or
// the instances matching app, type, tag or identifier, each with
// everything below it that nothing else needs. answer: in 'y' passes on to
// another system; emptied. 0 or -1.
int ins_remove(const char* system, const char* top, const char* app, const char* typ, const char* tag, const char* id,
               char* answer, int removeinit, int forceglobal);
}

// The daemon's answers (through qdbsendret / qdbsenderr); 0 when answered
// with a result. text: res_getall the start ("" all, " " the list, a tag);
// res_getrec "tag\x01id"; res_getpar / res_getallpar "tag\x01app\x01type".
int res_getall(const MessagePtr& request, char* text);
int res_getrec(const MessagePtr& request, char* text);
int res_getpar(const MessagePtr& request, char* text);
int res_getallpar(const MessagePtr& request, char* text);
