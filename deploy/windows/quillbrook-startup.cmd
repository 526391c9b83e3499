@echo off
setlocal EnableExtensions
rem Start-up script (Group Policy, or the install command of an Intune Win32 app): runs
rem quillbrook.exe from the share and files its report on the share as reports\%COMPUTERNAME%.txt,
rem and beside it what quillbrook-inventory.exe tells of the machine (model, serial, OS, BitLocker,
rem partition style) as reports\%COMPUTERNAME%.inventory.json.
rem
rem Exit code: quillbrook's own (0 officially compatible, 1 only technically, 2 not compatible),
rem so the engine's log shows the verdict; 3 when quillbrook.exe could not be copied from the
rem share, 4 when the report could not be put on the share (then no verdict reaches the summary),
rem 5 when its working folder could not be made (then nothing is run). The last run's time and
rem exit code are kept under HKLM\SOFTWARE\Quillbrook (LastRun, LastExitCode) for Intune to detect.
rem A missing or failing inventory tool never stops the report.
rem
rem The share needs read access for the two programs and write access to reports\ for the
rem computer accounts (start-up scripts run as the machine); the README gives both permissions.
rem
rem Where it works: the script runs as SYSTEM. Any folder users can create things in (%TEMP%,
rem %SystemRoot%\Temp, %ProgramData%) lets them plant or swap what SYSTEM then runs, and a random
rem name there is predictable. So it works in %ProgramFiles%\Quillbrook\run, under a parent no
rem ordinary user can write to at all, restricted to SYSTEM and the Administrators: there is no
rem name to guess and nothing to race, and what it removes there only they could have put there.
set "SHARE=\\server\share"

rem Intune runs install commands as a 32-bit process: %ProgramFiles%, the registry and
rem manage-bde would be the 32-bit views. The 64-bit cmd runs the script again instead.
if not defined PROCESSOR_ARCHITEW6432 goto :native
if not exist "%SystemRoot%\Sysnative\cmd.exe" goto :native
"%SystemRoot%\Sysnative\cmd.exe" /d /c ""%~f0""
exit /b %ERRORLEVEL%
:native

set "BASE=%ProgramFiles%\Quillbrook"
set "WORK=%BASE%\run"
if not exist "%BASE%\" mkdir "%BASE%" 2>nul
rem SIDs, not names: S-1-5-18 is SYSTEM and S-1-5-32-544 the Administrators in every language.
icacls "%BASE%" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F >nul 2>&1
if errorlevel 1 (
  set "RESULT=5"
  goto :record
)
rem Left by a run cut short; nobody but SYSTEM and the Administrators can have written there.
if exist "%WORK%\" rd /s /q "%WORK%"
mkdir "%WORK%" 2>nul
if errorlevel 1 (
  set "RESULT=5"
  goto :record
)

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

rem Only an administrator can ask BitLocker; this script runs as SYSTEM. manage-bde answers 0 for
rem a protected system drive and 1 for an unprotected one; anything else leaves it unknown.
set "BITLOCKER=unknown"
manage-bde -status %SystemDrive% -ProtectionAsErrorLevel >nul 2>&1
if %ERRORLEVEL% equ 0 set "BITLOCKER=on"
if %ERRORLEVEL% equ 1 set "BITLOCKER=off"
copy /y "%SHARE%\quillbrook-inventory.exe" "%WORK%\quillbrook-inventory.exe" >nul 2>&1
if exist "%WORK%\quillbrook-inventory.exe" (
  "%WORK%\quillbrook-inventory.exe" "%WORK%\inventory.json" --bitlocker %BITLOCKER% >nul 2>&1
)

rem Copied under a name the summary does not read and renamed into place, so a copy cut short
rem never replaces a good report with a broken one. The earlier inventory goes first: left
rem beside the new report it would give it the earlier run's time and facts.
set "REPORT=%SHARE%\reports\%COMPUTERNAME%.txt"
set "INVENTORY=%SHARE%\reports\%COMPUTERNAME%.inventory.json"
if exist "%INVENTORY%" del /f /q "%INVENTORY%" 2>nul
copy /y "%WORK%\quillbrook-report.txt" "%REPORT%.partial" >nul
if errorlevel 1 (
  set "RESULT=4"
  goto :done
)
move /y "%REPORT%.partial" "%REPORT%" >nul
if errorlevel 1 (
  del /f /q "%REPORT%.partial" 2>nul
  set "RESULT=4"
  goto :done
)
if not exist "%WORK%\inventory.json" goto :done
copy /y "%WORK%\inventory.json" "%INVENTORY%.partial" >nul 2>&1
move /y "%INVENTORY%.partial" "%INVENTORY%" >nul 2>&1 || del /f /q "%INVENTORY%.partial" 2>nul

:done
rd /s /q "%WORK%" 2>nul
:record
reg add HKLM\SOFTWARE\Quillbrook /v LastRun /t REG_SZ /d "%DATE% %TIME%" /f >nul 2>&1
reg add HKLM\SOFTWARE\Quillbrook /v LastExitCode /t REG_DWORD /d %RESULT% /f >nul 2>&1
exit /b %RESULT%
