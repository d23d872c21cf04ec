# The Debian package, made by CPack from the install rules: `cmake --build
# build --target package` writes build/velmora_<version>_<arch>.deb.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR Quillory)
set(CPACK_PACKAGE_CONTACT "Quillory <packages@velmora.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "birthday party invitation maker")
set(CPACK_PACKAGE_HOMEPAGE_URL https://velmora.app/)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
# The build carries debug information; the package does not.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME velmora)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary in front and indents the lines as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velmora makes a birthday party invitation. Type the celebrant's name, the
location, who gives the party, an RSVP number, the birth date and time and
the celebrant's gender; Velmora fills its invitation template through
LibreOffice, shows the filled page in a preview you can zoom, scroll and
drag, and saves it as a Word document.

Velmora starts its own private, invisible LibreOffice for each job and never
touches one the user is running.")
# dpkg-shlibdeps finds the libraries the program and its modules link (Qt;
# LibreOffice's UNO libraries through the office module's run path; the CUPS
# client library through the print module).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the program needs at run time but does not link: the office it starts
# (the GUI variants serve as well), the fonts of the windows and of the
# invitation designs, and Qt's SVG picture reader for the skin's arrows. The
# RSVP code's encoder is linked (named here as well, so that it is there
# whatever dpkg-shlibdeps finds); xdg-email hands a message to the user's mail
# program; Qt's image plugins read a celebrant's photo in WebP or TIFF.
set(CPACK_DEBIAN_PACKAGE_DEPENDS [=[libreoffice-writer-nogui | libreoffice-writer, libreoffice-draw-nogui | libreoffice-draw, fonts-liberation2, fonts-ebgaramond, fonts-noto-color-emoji, fonts-lato, fonts-arapey, fonts-linuxlibertine, fonts-urw-base35, fonts-cherrybomb, fonts-quicksand, fonts-league-spartan, fonts-bebas-neue, libqt6svg6, libqrencode4, xdg-utils, qt6-image-formats-plugins]=])

# A print service of its own is the machine's business (a desktop has one; a
# network printer may be reached without it).
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups")

include(CPack)
