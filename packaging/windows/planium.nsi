; The installer of Планиум for 64-bit Windows 10 and later, for one user: no
; administrator rights, into %LOCALAPPDATA%\Programs\Планиум, a Start-menu entry and
; an entry among the installed applications whose uninstaller removes the program
; and its entries, never the user's plans ("Документы\ПФХД") nor the draft of the
; plan in progress (%LOCALAPPDATA%\planium). /S installs and removes silently.
; Made by scripts/windows.sh, which defines:
;   VERSION  the program's version (0.1)
;   STAGE    the folder of what is installed, as it is laid out in the program folder
;   FILES    an include file with the macros InstallFiles and RemoveFiles for them
;   ICON     the program's icon
;   OUTFILE  the installer to write
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
SetCompressorDictSize 32
RequestExecutionLevel user
ManifestSupportedOS {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include FileFunc.nsh
!include "${FILES}"

!define PRODUCT "Планиум"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Planium"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1049 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка программы ${PRODUCT}"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "CompanyName" "Разработчики Планиума"
VIAddVersionKey /LANG=1049 "LegalCopyright" "© 2026 Planium maintainers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\planium.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Запустить ${PRODUCT}"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT} будет удалён с компьютера. Ваши планы (папка «Документы\ПФХД») и черновик незаконченного плана останутся."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
  ${IfNot} ${AtLeastWin10}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} работает в Windows 10 и новее." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Section "${PRODUCT}"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\planium.exe" "" "$INSTDIR\planium.exe" 0 \
    SW_SHOWNORMAL "" "Тренажёр составления плана финансово-хозяйственной деятельности детского сада"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\planium.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Разработчики Планиума"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  ; Only what the installer put there: a folder chosen by hand may hold other files.
  !insertmacro RemoveFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
