
[playlist] 
File1=/music/a.mp3
Title1=A
