# The programs the test suites start: each suite gets every path below as a
# compile definition (HV_<NAME>_BIN="<file>") and is built after them.
# hv_add_test_suite (cmake/HvTesting.cmake) calls hv_program_paths on each.
set(HV_PROGRAM_PATHS
  HV_QDB_BIN qdb
  HV_MXRCFGSTORE_BIN mxrcfgstore
  HV_MANAGER_BIN hvmanager
  HV_NOHUP_BIN hvnohup
  HV_SENDEVENT_BIN sendevent
  HV_QDBDOREM_BIN qdbdorem
  HV_QDBRECOVER_BIN qdbrecover
  HV_HVCONFIG_BIN hvconfig
  HV_HVREG_BIN hvreg
  HV_PO_BIN hvpo
  HV_RELAY_BIN hvrelay
  HV_STUB_AGENT_BIN hvstubagent
  HV_LINESIM_BIN ttylinesim
  HV_SOCKAGENT_BIN sockagent
  HV_TTYAGENT_BIN ttyagent
  HV_HVSVC_BIN hvsvc
  HV_HVSVCCTL_BIN hvsvcctl
  HV_PROBE_BIN hvinit_probe
  HV_OPTOOL_PROBE_BIN optool_probe)

function(hv_program_paths suite)
  set(pairs ${HV_PROGRAM_PATHS})
  set(defs)
  set(programs)
  while(pairs)
    list(POP_FRONT pairs name program)
    list(APPEND defs ${name}="$<TARGET_FILE:${program}>")
    list(APPEND programs ${program})
  endwhile()
  target_compile_definitions(${suite} PRIVATE ${defs} HV_STANDIN_DIR="${PROJECT_SOURCE_DIR}/tools/standins")
  add_dependencies(${suite} ${programs})
endfunction()
