# Read by cpack before each package: the packages' times are the commit's, whoever runs it.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_VORDA_SOURCE_DATE_EPOCH}")
