// The exported process-wide settings; the start-up and the programs fill them.
#include "qdbpaths.h"

extern "C" {

const char* pQdb_version = "Version 2.00.00";
char* pQdb_rootdir = nullptr;
const char* pQdb_usage = nullptr;
char* pQdb_uname = nullptr;
const char* pQdb_arg0 = nullptr;
char pQdb_doinit = 0;
int pQdb_ttydebug = 0;
int pQdb_printdebug = 0;
int pQdb_syncdebug = 0;
int pQdb_lockdebug = 0;
int pQdb_Ttymxr_debugging = 0;

}  // extern "C"
