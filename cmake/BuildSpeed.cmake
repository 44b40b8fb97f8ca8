# Faster builds: ccache when it is installed, and the Qt headers most files use precompiled once
# per library. The lists are short on purpose: a whole module (<QtWidgets>) precompiled is so large
# that loading it costs about what parsing the few headers a file needs would.

option(MARKLOG_CCACHE "Compile through ccache when it is installed" ON)
find_program(MARKLOG_CCACHE_PROGRAM ccache)
if(MARKLOG_CCACHE AND MARKLOG_CCACHE_PROGRAM
   AND (NOT CMAKE_CXX_COMPILER_LAUNCHER OR CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$"))
    # Without this sloppiness ccache compiles every file that uses a precompiled header anew.
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env
        CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
        ${MARKLOG_CCACHE_PROGRAM})
endif()
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # A time stamp in clang's precompiled header would make every later compile a ccache miss.
    add_compile_options("SHELL:-Xclang -fno-pch-timestamp")
endif()

set(MARKLOG_PCH_CORE <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QList> <QObject> <QString>
    <QStringList> <QVariant>)
set(MARKLOG_PCH_GUI ${MARKLOG_PCH_CORE} <QAction> <QApplication> <QCheckBox> <QKeyEvent> <QLabel> <QLineEdit>
    <QPainter> <QPointer> <QPushButton> <QTimer> <QWidget>)
# The tests' list (tests/CMakeLists.txt) adds QtTest, which includes all of QtCore anyway.
set(MARKLOG_PCH_TEST ${MARKLOG_PCH_GUI} <QtTest/QtTest> <QProcess> <QSignalSpy> <QTemporaryDir>)

# A full build from nothing (a CI run without a warm ccache) compiles the libraries' sources in
# batches of one translation unit each; edits are faster without, so it is off by default.
option(MARKLOG_UNITY_BUILD "Compile the libraries' sources in batches" OFF)

# Called once the libraries exist (see the top-level CMakeLists.txt).
function(marklog_precompile_headers)
    if(MARKLOG_UNITY_BUILD)
        set_target_properties(marklog_core marklog_gui PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 12)
        # Files whose file-local helpers share a name with another file's compile on their own.
        set(alone app/CommandLineCommands.cpp base/NumericValue.cpp base/SaveWndPos.cpp board/frmLapBoard.cpp
            grid/ctlGrid_Editing.cpp lapcounter/frmLapcounter.cpp recording/BarcodeScanner.cpp
            recording/frmMain_Board.cpp records/DurableFile.cpp records/PrintBibs.cpp support/clsRecentFiles.cpp
            support/ctlWiki.cpp support/FileDialogSeam.cpp)
        list(TRANSFORM alone PREPEND ${PROJECT_SOURCE_DIR}/src/)
        set_source_files_properties(${alone} DIRECTORY ${PROJECT_SOURCE_DIR}/src PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
    target_precompile_headers(marklog_core PRIVATE ${MARKLOG_PCH_CORE})
    target_precompile_headers(marklog_gui PRIVATE ${MARKLOG_PCH_GUI})
    target_precompile_headers(marklog REUSE_FROM marklog_gui)
endfunction()
