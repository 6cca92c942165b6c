# The Debian package: scripts/package runs cpack in a Release build
# configured with the prefix /usr.
set(ZORVAN_PACKAGE_MAINTAINER "Zorvan developers <maintainers@zorvan.example>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvan)
set(CPACK_PACKAGE_VENDOR "Zorvan developers")
set(CPACK_PACKAGE_CONTACT ${ZORVAN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "molecular weight calculator with a Japanese interface")
set(CPACK_PACKAGE_DESCRIPTION [[
Zorvan calculates the molecular weight of a chemical formula such as
CH3COOH, Ca(OH)2 or CuSO4*5H2O, its composition formula in element-number
order and the weight percent of each element. Group abbreviations such as
Ph or Me come from an editable table, and a search by substance name in
katakana finds formulas in a list of names. Results go to the clipboard; a
pasted list of formulas comes back as one report.

The windows are in Japanese. The package also holds zorvan-batch, which
calculates formulas from standard input for scripts, zorvan-ms, which gives
exact masses, ion m/z, isotope patterns and the HRMS and elemental-analysis
lines of an experimental section, zorvan-reagents, which solves reagent
tables, solutions and dilutions, and example data.]])
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZORVAN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows draw with IPA Gothic and find it through fontconfig; Qt's own
# texts (context menus, standard buttons) come in Japanese from Qt's
# translations; the mass code takes its isotope data and fine structures
# from IsoSpec.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fontconfig, qt6-translations-l10n, libisospec++2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
