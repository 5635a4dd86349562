# The committed lumetra.idl against the method table (included from this folder's CMakeLists.txt).
lumetra_test(idl_matches_table_test idl_matches_table_test.cpp)
target_link_libraries(idl_matches_table_test PRIVATE lumetra_object)
target_compile_definitions(idl_matches_table_test PRIVATE
  LUMETRA_IDL_PATH="${PROJECT_SOURCE_DIR}/lumetra/automation/win/lumetra.idl")
