// One received cache-update record of the instance table, parsed in place
// and applied to the cached copy it names. The status is 0 while the
// record is sound, else the code of its first fault:
//   parse: -2 no text, -3 no tag, -4 no stamp, -5 init type, -6 state,
//          -7 info, -8 identifier, -9 application, -10 type missing (or,
//          for texts that go into a table line, holding control characters);
//   apply: 13 the instance to create is there already, -12 no instance with
//          the tag, -14 the creation failed.
#pragma once

#include "QdbDbTime.h"
#include "hvresource.h"

class DbMgr;

class InsCacheUpdate {
public:
    // text: the record after its command (and field) letter.
    InsCacheUpdate(char command, char* text);
    virtual ~InsCacheUpdate() = default;
    // Changes the copy db; the status.
    virtual int apply(DbMgr* db) = 0;

    int status() const { return status_; }
    const char* dbName() const { return dbName_; }
    const QdbDbTime& oldStamp() const { return before_; }
    const QdbDbTime& newStamp() const { return after_; }
    // True when the record could not be applied without breaking the copy
    // (an instance still named by dependency records): the copy is then
    // marked for reloading instead of the stamp rule.
    bool stale() const { return stale_; }

    // The record object for the command and field letters, or null (-11).
    static InsCacheUpdate* make(char command, char field, char* text);

protected:
    // The next field up to 0x01 (or the end); null when none is left.
    char* field();
    // The rest of the text (may be empty); null when none is left.
    char* rest();
    void fault(int code) {
        if (status_ == 0) status_ = code;
    }
    hvresource* findTag(DbMgr* db) const;

    char* pos_ = nullptr;
    int status_ = 0;
    char* dbName_ = nullptr;
    char* tag_ = nullptr;
    char command_;
    QdbDbTime before_{0, 0};
    QdbDbTime after_{0, 0};
    bool stale_ = false;
};

class InsCacheCreate : public InsCacheUpdate {
public:
    explicit InsCacheCreate(char* text);
    int apply(DbMgr* db) override;

private:
    char* id_ = nullptr;
    init_type init_ = ILLINIT;
    char* app_ = nullptr;
    char* typ_ = nullptr;
    char* info_ = nullptr;
};

class InsCacheRemove : public InsCacheUpdate {
public:
    explicit InsCacheRemove(char* text) : InsCacheUpdate('c', text) {}
    int apply(DbMgr* db) override;
};

class InsCacheSetId : public InsCacheUpdate {
public:
    explicit InsCacheSetId(char* text);
    int apply(DbMgr* db) override;

private:
    char* text_ = nullptr;
};

class InsCacheSetInfo : public InsCacheUpdate {
public:
    explicit InsCacheSetInfo(char* text);
    int apply(DbMgr* db) override;

private:
    char* text_ = nullptr;
};

class InsCacheSetInit : public InsCacheUpdate {
public:
    explicit InsCacheSetInit(char* text);
    int apply(DbMgr* db) override;

private:
    init_type init_ = ILLINIT;
};

class InsCacheSetState : public InsCacheUpdate {
public:
    explicit InsCacheSetState(char* text);
    int apply(DbMgr* db) override;

private:
    state state_ = ILLSTATE;
    char* reason_ = nullptr;
};
