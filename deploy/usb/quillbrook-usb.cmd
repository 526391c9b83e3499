@echo off
setlocal EnableExtensions
rem For a round from PC to PC with a USB stick: put this script on the stick beside quillbrook.exe
rem and start it on each machine. It runs Quillbrook as usual (the report on the screen, a key to
rem end it), then files the report on the stick as Berichte\%COMPUTERNAME%.txt, so that
rem "quillbrook-fleet Berichte" summarises the round.
rem
rem Exit code: Quillbrook's own (0, 1, 2); 4 when the report could not be filed.
set "STICK=%~dp0"
set "REPORT=%STICK%quillbrook-report.txt"
set "FILED=%STICK%Berichte\%COMPUTERNAME%.txt"

rem The report beside the program is the previous machine's until this run replaces it: gone
rem first, it cannot be filed under this machine's name when this run fails to write one.
if exist "%REPORT%" del /f /q "%REPORT%"
"%STICK%quillbrook.exe"
set "RESULT=%ERRORLEVEL%"

if not exist "%STICK%Berichte\" mkdir "%STICK%Berichte"
rem Under a name the summary does not read, then renamed: a stick pulled out during the copy
rem leaves no broken report behind.
copy /y "%REPORT%" "%FILED%.partial" >nul 2>&1
if errorlevel 1 goto :failed
move /y "%FILED%.partial" "%FILED%" >nul 2>&1
if errorlevel 1 goto :failed
echo Bericht abgelegt: %FILED%
exit /b %RESULT%

:failed
del /f /q "%FILED%.partial" 2>nul
echo Bericht konnte nicht abgelegt werden: %FILED%
pause
exit /b 4
