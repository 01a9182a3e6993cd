# Read by cpack before each package: the packages' times are the commit's, whoever runs it. The
# strip that CPack runs on the Windows programs writes this time as their PE time stamp too,
# where the link wrote 0.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_VORDA_SOURCE_DATE_EPOCH}")
