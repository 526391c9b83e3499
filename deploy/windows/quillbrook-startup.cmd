@echo off
setlocal EnableExtensions
rem Start-up script (Group Policy or Intune): runs quillbrook.exe from the share and files its
rem report on the share as reports\%COMPUTERNAME%.txt.
rem
rem Exit code: quillbrook's own (0 officially compatible, 1 only technically, 2 not compatible),
rem so the engine's log shows the verdict; 3 when quillbrook.exe could not be copied from the
rem share, 4 when the report could not be put on the share (then no verdict reaches the summary),
rem 5 when no fresh working directory could be made (then nothing is run).
rem
rem The share needs read access for quillbrook.exe and write access to reports\ for the
rem computer accounts (start-up scripts run as the machine, "Domain Computers").
rem
rem Why the working directory is made this way: the script runs as SYSTEM, and ordinary users
rem may create folders in %SystemRoot%\Temp (SYSTEM's %TEMP%) and in %ProgramData%. A folder
rem that already exists there may be theirs, or a junction to one of theirs, and whoever can
rem write to it can swap quillbrook.exe (or put a DLL beside it) between the copy and the run,
rem and so have their own code run as SYSTEM. So the folder gets a new random name and is made by
rem mkdir, which fails on any existing folder, file or junction of that name; then its inherited
rem permissions, which still let users create files in it, are replaced by full control for
rem SYSTEM and the Administrators only; and it must still be empty after that, since a user
rem could have slipped something in before. Whatever of this fails ends the script with 5
rem before anything is run. Made by SYSTEM, the folder is not a user's to rename or delete.
set "SHARE=\\server\share"

set "WORK=%SystemRoot%\Temp\quillbrook-%RANDOM%%RANDOM%%RANDOM%"
mkdir "%WORK%" 2>nul
if errorlevel 1 exit /b 5
rem SIDs, not names: S-1-5-18 is SYSTEM and S-1-5-32-544 the Administrators in every language.
icacls "%WORK%" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F >nul 2>&1
if errorlevel 1 exit /b 5
for /f "delims=" %%F in ('dir /a /b "%WORK%" 2^>nul') do exit /b 5

copy /y "%SHARE%\quillbrook.exe" "%WORK%\quillbrook.exe" >nul
if errorlevel 1 (
  set "RESULT=3"
  goto :done
)

rem Empty standard input: the program does not wait for a key.
pushd "%WORK%"
"%WORK%\quillbrook.exe" < NUL > NUL
set "RESULT=%ERRORLEVEL%"
popd

rem Copied under a name the summary does not read and renamed into place, so a copy cut short
rem never replaces a good report with a broken one.
set "REPORT=%SHARE%\reports\%COMPUTERNAME%.txt"
copy /y "%WORK%\quillbrook-report.txt" "%REPORT%.partial" >nul
if errorlevel 1 (
  set "RESULT=4"
  goto :done
)
move /y "%REPORT%.partial" "%REPORT%" >nul
if errorlevel 1 (
  del /f /q "%REPORT%.partial" 2>nul
  set "RESULT=4"
)

:done
rd /s /q "%WORK%" 2>nul
exit /b %RESULT%
