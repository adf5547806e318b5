loopcaster_core_area(models
  SOURCES
    models/MixJob.cpp
    models/JobRow.cpp
    models/JobStoreSchema.cpp
    models/JobStore.cpp
    models/JobListModel.cpp
    models/ModelsLog.cpp
  LIBS lc_files Qt6::Core Qt6::Sql)
