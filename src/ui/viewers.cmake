# DBF viewer and result viewer (QtWidgets).
add_library(mox_viewers STATIC
  tfmresult.h
  tfmresult.cpp
  tfmdbf.h
  tfmdbf.cpp
  dbfmodel.h
  dbfmodel.cpp
  prikazirezultat.h
  prikazirezultat.cpp
)
target_include_directories(mox_viewers PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(mox_viewers PUBLIC mox_base mox_dbf Qt6::Widgets)
