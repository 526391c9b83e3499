@echo off
setlocal EnableExtensions DisableDelayedExpansion
rem Start-up script (Group Policy, or the install command of an Intune Win32 app): runs
rem quillbrook.exe from the share and files its report on the share as reports\%COMPUTERNAME%.txt,
rem and beside it what quillbrook-inventory.exe tells of the machine (model, serial, OS, BitLocker,
rem partition style, processor) as reports\%COMPUTERNAME%.inventory.json.
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
rem Every computer may create files in reports\, so each file goes there under a random name of
rem this run's own first and is then renamed over the computer's own: a fixed temporary name
rem could be taken first by another computer, which would then own it.
rem
rem Where it works: the script runs as SYSTEM. Any folder users can create things in (%TEMP%,
rem %SystemRoot%\Temp, %ProgramData%) lets them plant or swap what SYSTEM then runs, and a random
rem name there is predictable. So it works in %ProgramFiles%\Quillbrook\run, under a parent no
rem ordinary user can write to at all, owned by the Administrators and open to SYSTEM and them
rem alone: there is no name to guess and nothing to race, and what it removes there only they
rem could have put there.
set "SHARE=\\server\share"

rem Intune runs install commands as a 32-bit process: %ProgramFiles%, the registry and
rem manage-bde would be the 32-bit views. The 64-bit cmd runs the script again instead.
if not defined PROCESSOR_ARCHITEW6432 goto :native
if not exist "%SystemRoot%\Sysnative\cmd.exe" goto :native
"%SystemRoot%\Sysnative\cmd.exe" /d /c ""%~f0""
exit /b %ERRORLEVEL%
:native

rem Gone while this run is on: a run that ends without writing its own (switched off, or a crash
rem code that reg refuses as a DWORD) must not leave Intune the verdict of the one before.
reg delete HKLM\SOFTWARE\Quillbrook /v LastExitCode /f >nul 2>&1

set "BASE=%ProgramFiles%\Quillbrook"
set "WORK=%BASE%\run"
if not exist "%BASE%\" mkdir "%BASE%" 2>nul
call :restrict "%BASE%"
if errorlevel 1 goto :unsafe
rem Made anew on every run: nothing left by a run cut short is ever run or filed.
if exist "%WORK%\" rd /s /q "%WORK%"
if exist "%WORK%" goto :unsafe
mkdir "%WORK%" 2>nul
if errorlevel 1 goto :unsafe
call :restrict "%WORK%"
if errorlevel 1 goto :unsafe

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

set "REPORT=%SHARE%\reports\%COMPUTERNAME%.txt"
set "INVENTORY=%SHARE%\reports\%COMPUTERNAME%.inventory.json"
call :nonce
call :file "%WORK%\quillbrook-report.txt" "%REPORT%"
if errorlevel 1 (
  set "RESULT=4"
  goto :done
)
rem The inventory of this run, or else an empty file over the earlier one: left as it was it would
rem lend the new report its time and facts, and deleted, its name would be free for another
rem computer to take. Only where even that fails is it deleted.
if not exist "%WORK%\inventory.json" (
  if not exist "%INVENTORY%" goto :done
  type nul > "%WORK%\inventory.json"
)
call :file "%WORK%\inventory.json" "%INVENTORY%"
if errorlevel 1 del /f /q "%INVENTORY%" 2>nul

:done
rd /s /q "%WORK%" 2>nul
:record
reg add HKLM\SOFTWARE\Quillbrook /v LastRun /t REG_SZ /d "%DATE% %TIME%" /f >nul 2>&1
reg add HKLM\SOFTWARE\Quillbrook /v LastExitCode /t REG_DWORD /d %RESULT% /f >nul 2>&1
exit /b %RESULT%

:unsafe
set "RESULT=5"
goto :record

rem Gives the folder %1 an owner and a DACL set whole: the Administrators own it, and SYSTEM and
rem the Administrators alone may use it. /grant:r keeps the explicit entries of anyone else (a
rem Users:Modify given when a zip was unpacked there, say), so /reset drops them all first, and
rem /inheritance:r then the inherited ones. SIDs, not names: they are the same in every language.
:restrict
icacls %1 /setowner *S-1-5-32-544 >nul 2>&1
if errorlevel 1 exit /b 1
icacls %1 /reset >nul 2>&1
if errorlevel 1 exit /b 1
icacls %1 /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F >nul 2>&1
if errorlevel 1 exit /b 1
exit /b 0

rem Copies the file %1 onto the share as %2: under the name %2.NONCE.partial first, then renamed
rem over %2, so a copy cut short never replaces a good file. A copy refused (the name taken) is
rem tried once more under a new random name; a rename refused (%2 owned by another computer) is not.
:file
copy /y %1 "%~2.%NONCE%.partial" >nul 2>&1
if not errorlevel 1 goto :rename
del /f /q "%~2.%NONCE%.partial" >nul 2>&1
call :nonce
copy /y %1 "%~2.%NONCE%.partial" >nul 2>&1
if not errorlevel 1 goto :rename
del /f /q "%~2.%NONCE%.partial" >nul 2>&1
exit /b 1
:rename
move /y "%~2.%NONCE%.partial" %2 >nul 2>&1
if not errorlevel 1 exit /b 0
del /f /q "%~2.%NONCE%.partial" >nul 2>&1
exit /b 1

rem NONCE: a random GUID from PowerShell, which every supported Windows has and no execution
rem policy stops with -Command. Without it, %RANDOM% (seeded from the clock, so only hard to
rem hit, not unguessable) keeps the report coming. The program's path goes unquoted: the cmd that
rem for /f starts would strip the wrong quotes from a quoted one with a quoted argument.
:nonce
set "NONCE="
for /f "usebackq delims=" %%G in (`%SystemRoot%\System32\WindowsPowerShell\v1.0\powershell.exe -NoProfile -NonInteractive -Command "[guid]::NewGuid().Guid"`) do set "NONCE=%%G"
if not defined NONCE set "NONCE=%RANDOM%%RANDOM%%RANDOM%%RANDOM%"
exit /b 0
