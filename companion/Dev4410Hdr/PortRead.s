;------------------------------------------------------------------------------
; PortRead.s - DEV4410 header library: pin state of one port
; Parameter 1 arrives in R8; the byte result returns in R8.
;------------------------------------------------------------------------------

; C Function prototype: unsigned char PortRead(char port)
; port:{0,1,2,3}		port P0..P3
	MODULE	PortRead
	PUBLIC	PortRead
P0IN	EQU	0x18		; pin state of P0, P1..P3 at 0x19..0x1B
	RSEG	CODE
PortRead:
	AND	R8,#0x03		; ports 0..3 only
	MOV	R6,#P0IN
	ADD	R6,R8
	IN	R8,[R6]		; all eight pins at once
	RET
	ENDMOD

	END
