# Settings file, version information: QtCore only.
add_library(mox_platform STATIC
  profile.cpp
  profile.h
  fileinfo.cpp
  fileinfo.h
  versionblock.cpp
  versionblock.h
)
target_link_libraries(mox_platform PUBLIC mox_base Qt6::Core)

# Build-time tool that writes a program's version information block.
add_executable(mox_versiongen versionblockgen.cpp)
target_link_libraries(mox_versiongen PRIVATE mox_platform)

# mox_embed_version(<target>): gives the target a version information block
# made from PROJECT_VERSION (read back by TIFileInfo on the program's file).
function(mox_embed_version target)
  set(dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_version")
  # Rewritten only when the version changes, so the block is remade then.
  file(CONFIGURE OUTPUT "${dir}/version.txt" CONTENT "${PROJECT_VERSION}\n")
  set(out "${dir}/version_block.cpp")
  add_custom_command(OUTPUT "${out}"
    COMMAND mox_versiongen "${out}" "${PROJECT_VERSION}" "${target}${CMAKE_EXECUTABLE_SUFFIX}"
    DEPENDS mox_versiongen "${dir}/version.txt"
    COMMENT "Version information block for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
