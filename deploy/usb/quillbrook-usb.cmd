@echo off
setlocal EnableExtensions DisableDelayedExpansion
rem For a round from PC to PC with a USB stick: put this script on the stick beside quillbrook.exe
rem and quillbrook-inventory.exe and start it on each machine. It shows Quillbrook's report on the
rem screen, files it on the stick as Berichte\%COMPUTERNAME%.txt with the inventory beside it as
rem Berichte\%COMPUTERNAME%.inventory.json, and only then waits for a key: a window closed at the
rem prompt has lost nothing. "quillbrook-fleet Berichte" summarises the round.
rem
rem Exit code: Quillbrook's own (0, 1, 2); 3 when quillbrook.exe was not run because its signature
rem is not the one set below; 4 when the report could not be filed. Every path is in quotes, so a
rem stick folder like "IT & Co (2024) 100%" is no command to cmd.
rem
rem The stick visits every PC, and any of them could swap a program on it for its own, which the
rem next administrator would then run. So each program runs only with a valid Authenticode
rem signature from the certificate whose thumbprint is set here (Get-AuthenticodeSignature shows it
rem as SignerCertificate.Thumbprint; spaces do not matter). Where the company does not sign, set it
rem to keine and keep the programs and this script on a write-protected stick instead, with FILING
rem set to a folder on a second, writable one.
set "SIGNER="
rem Where the reports go; empty: Berichte beside this script.
set "FILING="

set "STICK=%~dp0"
if not defined FILING set "FILING=%STICK%Berichte"
set "FILED=%FILING%\%COMPUTERNAME%.txt"
set "INVENTORY=%FILING%\%COMPUTERNAME%.inventory.json"
if not exist "%FILING%\" mkdir "%FILING%"

rem The report beside the program is the previous machine's until this run replaces it: gone
rem first, it cannot be filed under this machine's name when this run fails to write one. Where
rem it stays (a write-protected stick), the program writes its report into the current folder,
rem FILING, and only that one counts.
set "BESIDE=%STICK%quillbrook-report.txt"
if exist "%BESIDE%" del /f /q "%BESIDE%" 2>nul
if exist "%BESIDE%" set "BESIDE="
if exist "%FILING%\quillbrook-report.txt" del /f /q "%FILING%\quillbrook-report.txt"
call :verify "%STICK%quillbrook.exe"
if errorlevel 1 (
  set "RESULT=3"
  echo Beliebige Taste zum Beenden...
  goto :end
)
rem Input at its end: the program shows its report and ends without waiting for a key; its last
rem line asks for the key that this script then waits for.
pushd "%FILING%"
"%STICK%quillbrook.exe" < NUL
set "RESULT=%ERRORLEVEL%"
popd
set "REPORT=%FILING%\quillbrook-report.txt"
if defined BESIDE if exist "%BESIDE%" set "REPORT=%BESIDE%"

rem The previous round's inventory of this machine would give the new report its time.
if exist "%INVENTORY%" del /f /q "%INVENTORY%" 2>nul
rem Under a name the summary does not read, then renamed: a stick pulled out during the copy
rem leaves no broken report behind.
copy /y "%REPORT%" "%FILED%.partial" >nul 2>&1
if errorlevel 1 goto :failed
move /y "%FILED%.partial" "%FILED%" >nul 2>&1
if errorlevel 1 goto :failed
rem Left among the reports, it would be read as one more machine.
del /f /q "%FILING%\quillbrook-report.txt" 2>nul
echo.
echo Bericht abgelegt: "%FILED%"

rem BitLocker can be asked only by an administrator; otherwise it stays unknown. manage-bde
rem answers 0 for a protected system drive and 1 for an unprotected one.
set "BITLOCKER=unknown"
net session >nul 2>&1
if errorlevel 1 goto :inventory
manage-bde -status %SystemDrive% -ProtectionAsErrorLevel >nul 2>&1
if %ERRORLEVEL% equ 0 set "BITLOCKER=on"
if %ERRORLEVEL% equ 1 set "BITLOCKER=off"
:inventory
if not exist "%STICK%quillbrook-inventory.exe" goto :end
call :verify "%STICK%quillbrook-inventory.exe"
if errorlevel 1 goto :end
"%STICK%quillbrook-inventory.exe" "%INVENTORY%.partial" --bitlocker %BITLOCKER% >nul 2>&1
if errorlevel 1 goto :noinventory
move /y "%INVENTORY%.partial" "%INVENTORY%" >nul 2>&1
if errorlevel 1 goto :noinventory
goto :end

:noinventory
del /f /q "%INVENTORY%.partial" 2>nul
echo Inventar konnte nicht abgelegt werden; der Bericht ist trotzdem da.
goto :end

:failed
del /f /q "%FILED%.partial" 2>nul
del /f /q "%FILING%\quillbrook-report.txt" 2>nul
echo.
echo Bericht konnte nicht abgelegt werden: "%FILED%"
set "RESULT=4"

rem One key ends the round at this PC; the program's own last line already asked for it.
:end
pause >nul
exit /b %RESULT%

rem Errorlevel 0 where the program %1 may run: SIGNER is keine, or PowerShell says its signature is
rem valid and from SIGNER. Only that answer counts, so a PowerShell that runs nothing refuses too;
rem its quotes are taken out before the comparison, so no answer can break the line. The path
rem goes through the environment, where no character of it can change the command.
:verify
if /i "%SIGNER%"=="keine" exit /b 0
set "QUILLBROOK_FILE=%~1"
set "QUILLBROOK_SIGNER=%SIGNER%"
set "VERDICT=-"
if defined SIGNER for /f "usebackq delims=" %%V in (`%SystemRoot%\System32\WindowsPowerShell\v1.0\powershell.exe -NoProfile -NonInteractive -Command "$s = Get-AuthenticodeSignature -LiteralPath $env:QUILLBROOK_FILE; if ($s.Status -eq 'Valid' -and $s.SignerCertificate.Thumbprint -eq ($env:QUILLBROOK_SIGNER -replace '\W', '')) { 'gueltig' }"`) do set "VERDICT=%%V"
if "%VERDICT:"=%"=="gueltig" exit /b 0
echo.
if defined SIGNER echo Nicht gestartet: "%~1" ist nicht gueltig signiert vom Zertifikat %SIGNER%.
if not defined SIGNER echo Nicht gestartet: "%~1". Oben im Skript SIGNER auf den Fingerabdruck des Zertifikats setzen, oder auf keine.
exit /b 1
