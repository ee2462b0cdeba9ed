;------------------------------------------------------------------------------
; AdcRead.s - DEV4410 header library: one conversion of the 10-bit ADC
; Parameter 1 arrives in R8; the word result returns in W4 = R9:R8.
;------------------------------------------------------------------------------

; C Function prototype: int AdcRead(char channel)
; channel:{0,1,2,3,4,5,6,7}	input pin AN0..AN7
	MODULE	AdcRead
	PUBLIC	AdcRead
ADCCON	EQU	0x20		; bit 7 start, bit 6 busy, bits 2..0 channel
ADCL	EQU	0x22		; result, bits 7..0
ADCH	EQU	0x23		; result, bits 9..8
	RSEG	CODE
AdcRead:
	AND	R8,#0x07
	OR	R8,#0x80		; start bit and channel in one write
	OUT	ADCCON,R8
adr_wait:
	IN	R0,ADCCON
	BTST	R0,#6		; still converting? about 13 ADC clocks
	JR	NZ,adr_wait
	IN	R8,ADCL
	IN	R9,ADCH
	AND	R9,#0x03		; 0..1023
	RET
	ENDMOD

	END
